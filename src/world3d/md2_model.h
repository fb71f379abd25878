#pragma once
// MD2 models: one mesh whose vertex positions are stored per frame. The
// loaded data (md2_loader) is shared by a model and its copies; each entity
// has its own playback and its own device buffer, refilled with the pose it
// shows when it is drawn and that pose has changed since.
//
// Playback counts time in frames. Two frames are shown with the fraction
// between them; a new range can be blended into from whatever is shown
// (the transition pose), over a number of world updates.
//
// Axes: the file's (x, y, z) become (y, z, x) here, for positions and for
// normals alike, so that lighting matches the shape.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/device/scene_device.h"
#include "engine3d/entity.h"

namespace vx {

// The position (lane 3 zero) and normal (lane 3 zero) of a vertex as
// floats, laid out for the vector unit.
struct alignas(16) MD2PoseVertex {
  float position[4];
  float normal[4];
};

// A triangle range of the output vertices small enough for 16-bit indices:
// its triangles index its own vertices, counted from firstVertex.
struct MD2Part {
  int32_t firstVertex = 0, vertexCount = 0;
  int32_t firstTriangle = 0, triangleCount = 0;
};

struct MD2Data {
  // Per frame, in the reordered axes, lane 3 zero.
  struct Frame {
    alignas(16) float scale[4];
    alignas(16) float translate[4];
  };

  int32_t frameCount = 0;
  int32_t vertexCount = 0;  // vertices of the file, per frame
  std::vector<Frame> frames;
  // frameCount * vertexCount packed vertices: bytes y, z, x and the normal
  // index (always within the normal table).
  std::vector<uint32_t> packed;
  // The output vertices: one per distinct (vertex, texture coordinate) pair
  // met in the triangles, in order of first use (repeated at the start of a
  // part for the triangles that need them there).
  std::vector<uint16_t> vertexOf;  // its file vertex
  std::vector<float> uv;           // u, v
  std::vector<uint16_t> indices;   // three per triangle, relative to its part
  std::vector<MD2Part> parts;
  Vector boundsMin, boundsMax;     // around every frame

  int32_t outputVertexCount() const { return static_cast<int32_t>(vertexOf.size()); }
  int32_t triangleCount() const { return static_cast<int32_t>(indices.size() / 3); }
  const uint32_t* frameVertices(int32_t frame) const { return packed.data() + size_t(frame) * vertexCount; }
};

// The normals packed vertices index, in the reordered axes, lane 3 zero.
struct MD2Normal {
  alignas(16) float v[4];
};
constexpr int kMD2NormalCount = 162;
extern const std::array<MD2Normal, kMD2NormalCount> kMD2Normals;

class MD2Model : public Model {
 public:
  enum Mode { kStopped = 0, kLoop = 1, kPingPong = 2, kOnce = 3 };

  explicit MD2Model(std::shared_ptr<const MD2Data> data);
  Entity* clone() const override { return new MD2Model(*this); }
  MD2Model* getMD2() override { return this; }

  // Advances playback: one step of a running transition, else time by
  // elapsed times speed within the range.
  void animate(float elapsed) override;
  void renderBrushChanged(const Brush&) override {}
  // Poses this entity's buffer, when the pose changed since it was last
  // written, and queues it; nothing when the model is outside the view.
  void render(const RenderContext& context) override;
  bool bounds(Vector& min, Vector& max) override;

  // Starts playback of a frame range; a transition above 0 blends from
  // what is shown now over that many updates.
  void play(int32_t mode, float speed, int32_t first, int32_t last, float transition);
  float time() const { return time_; }
  int32_t frameCount() const { return data_->frameCount; }
  bool animating() const { return mode_ != kStopped || transitioning_; }
  // The two frames shown and the fraction between them.
  int32_t shownFrame(int index) const { return shown_[index]; }
  float fraction() const { return fraction_; }
  // How far a running transition has come, 0..1.
  float transitionProgress() const;

  // The pose shown now, one entry per vertex of the file.
  void pose(MD2PoseVertex* out) const;
  const MD2Data& data() const { return *data_; }
  bool sharesData(const MD2Model& other) const { return data_ == other.data_; }

 private:
  // The device buffer of one entity and the pose stamp of what it holds; a
  // copy of the entity starts without one.
  struct Buffer {
    Buffer() = default;
    Buffer(const Buffer&) {}
    Buffer& operator=(const Buffer&) = delete;
    std::unique_ptr<DeviceMesh> mesh;
    uint32_t stamp = 0;
    std::vector<Vector> positions;  // of the pose held, per file vertex
    // The triangles written per part: those that can face the viewer the
    // last triangles were chosen for, or all of them.
    std::vector<int32_t> drawn;
    bool chosen = false;  // whether the triangles written were chosen
    uint32_t chosenStamp = 0;
    Vector chosenFor;
  };

  // Shares the data; playback goes on from the same place, on its own.
  MD2Model(const MD2Model& source) = default;
  // The frames shown for the time, which is first kept within the range.
  void showTime();
  // Within the loop's range however far a step went.
  float wrapped(float time) const;
  // This entity's device buffer with the triangles written; null when the
  // device cannot make one.
  DeviceMesh* deviceMesh(SceneDevice& device);
  // Writes the triangles the view can see the front of (all of them when
  // the brush draws back faces too), so that those facing away never reach
  // the device.
  void writeFacingTriangles(DeviceMesh& mesh, const RenderContext& context);
  // Where the viewer is in model space (or the way towards it, for an
  // orthographic view), and the sign of the model's determinant.
  struct Facing {
    Vector viewer;
    bool perspective;
    float side;
  };
  // Every triangle without a facing.
  void writeTriangles(DeviceMesh& mesh, const Facing* facing);

  std::shared_ptr<const MD2Data> data_;

  int32_t mode_ = kStopped;
  bool transitioning_ = false;
  float time_ = 0, speed_ = 0;
  int32_t first_ = 0, last_ = 0, length_ = 0;
  int32_t shown_[2] = {0, 0};
  float fraction_ = 0;
  // A transition of transitionLength_ updates, transitionSteps_ of them
  // done, from transitionPose_.
  float transitionLength_ = 0;
  int32_t transitionSteps_ = 0;
  std::vector<MD2PoseVertex> transitionPose_;

  uint32_t poseStamp_ = 0;  // moves whenever what is shown changes
  Buffer buffer_;
};

}  // namespace vx
