#include "engine3d/texture_cache.h"

#include <filesystem>
#include <map>
#include <memory>

#include "engine3d/lower_case.h"
#include "engine3d/texture_loading.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"

namespace vx {

namespace {

// Images by key; an image leaves when it goes away.
std::multimap<std::string, std::weak_ptr<TextureImage>> cache;
std::string textureDirectory;  // as given, ending with a separator

bool sameLoad(const TextureImage& image, int32_t flags, const TextureStrip& strip) {
  return image.flags == flags && image.frameWidth == strip.width && image.frameHeight == strip.height &&
         image.firstFrame == strip.first && image.frameCount == strip.count;
}

std::shared_ptr<TextureImage> cached(const std::string& key, int32_t flags, const TextureStrip& strip) {
  auto [from, to] = cache.equal_range(key);
  for (auto it = from; it != to; ++it)
    if (std::shared_ptr<TextureImage> image = it->second.lock())
      if (sameLoad(*image, flags, strip)) return image;
  return nullptr;
}

std::shared_ptr<TextureImage> load(GraphicsDevice& graphics, const std::string& key, const std::string& path,
                                   int32_t flags, const TextureStrip& strip) {
  auto image = std::make_shared<TextureImage>();
  image->name = key;
  image->flags = flags;
  image->frameWidth = strip.width;
  image->frameHeight = strip.height;
  image->firstFrame = strip.first;
  image->frameCount = strip.count;
  loadTextureFrames(graphics, *image, nativePath(path));
  return image;
}

void enter(const std::shared_ptr<TextureImage>& image) {
  cache.emplace(image->name, image);
  image->cached = true;
}

// The key of a name: the lower-case full path of the file this system opens
// for it, so that one name in two directories is two files and two names of
// one file are one.
std::string fullPathKey(std::string_view name) {
  std::filesystem::path path(nativePath(name));
  std::error_code failed;
  if (path.is_relative()) {
    const std::filesystem::path current = std::filesystem::current_path(failed);
    if (!failed) path = current / path;
  }
  return lowerCase(path.lexically_normal().string());
}

// The name's last component: after the last separator of either kind.
std::string_view lastComponent(std::string_view name) {
  const size_t slash = name.find_last_of("\\/");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace

void TextureFilters::add(std::string_view text, int32_t flags) { entries_.push_back({lowerCase(text), flags}); }

int32_t TextureFilters::apply(std::string_view lowerCaseName, int32_t flags) const {
  for (const Entry& entry : entries_)
    if (lowerCaseName.find(entry.text) != std::string_view::npos) flags |= entry.flags;
  return flags;
}

namespace {

// Where a name's image is looked for, in order: the file of its last
// component in the texture directory (when there is one), then the name as
// it stands. Each place has its cache key and the path loaded from.
struct Place {
  std::string key, path;
};
struct Places {
  Place place[2];
  int count = 0;
};

Places placesOf(std::string_view name) {
  Places places;
  if (!textureDirectory.empty()) {
    const std::string_view last = lastComponent(name);
    places.place[places.count++] = {lowerCase(textureDirectory) + lowerCase(last), textureDirectory + std::string(last)};
  }
  places.place[places.count++] = {fullPathKey(name), std::string(name)};
  return places;
}

}  // namespace

Texture loadTexture(GraphicsDevice& graphics, const TextureFilters& filters, std::string_view file, int32_t flags,
                    const TextureStrip& strip) {
  flags = textureCanvasFlags(filters.apply(lowerCase(file), flags));
  const Places places = placesOf(file);
  for (int i = 0; i < places.count; ++i) {
    const Place& place = places.place[i];
    if (std::shared_ptr<TextureImage> image = cached(place.key, flags, strip)) return Texture(std::move(image));
    std::shared_ptr<TextureImage> image = load(graphics, place.key, place.path, flags, strip);
    // The name as it stands is entered even when nothing loads.
    if (!image->frames.empty() || i + 1 == places.count) {
      enter(image);
      return Texture(std::move(image));
    }
  }
  return {};
}

void prefetchTexture(GraphicsDevice& graphics, const TextureFilters& filters, std::string_view file, int32_t flags) {
  flags = textureCanvasFlags(filters.apply(lowerCase(file), flags));
  if (flags & kTextureCubeMap) return;
  const Places places = placesOf(file);
  for (int i = 0; i < places.count; ++i) {
    if (cached(places.place[i].key, flags, {})) return;
    const std::string path = nativePath(places.place[i].path);
    std::error_code failed;
    if (i + 1 == places.count || std::filesystem::is_regular_file(path, failed))
      return graphics.prefetchCanvas(path, flags);
  }
}

void setTextureDirectory(std::string_view directory) {
  textureDirectory = directory;
  if (!textureDirectory.empty() && textureDirectory.back() != '\\' && textureDirectory.back() != '/')
    textureDirectory += '\\';
}

void forgetCachedImage(const TextureImage& image) {
  auto [from, to] = cache.equal_range(image.name);
  for (auto it = from; it != to;) it = it->second.expired() ? cache.erase(it) : std::next(it);
}

}  // namespace vx
