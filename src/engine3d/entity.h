#pragma once
// The scene graph. Every thing in the 3D world is an Entity: a node with a
// local position, rotation and scale, cached local and world transforms, a
// name and two visibility flags. Object adds what moves, collides, animates
// and is tweened; Model adds the material and the render queues. The
// concrete kinds derive from these and each answers its own query
// (getCamera in a Camera, getMesh in a Mesh, ...).
//
// World transforms are pulled lazily: a setter marks the entity's local
// transform stale (bit 0) and the world transforms of its subtree stale
// (bit 1); a subtree whose root is already stale is not walked again.
// worldTransform() rebuilds only along stale paths.
//
// Entities without a parent live in one root list. A new entity is appended
// to the root list; setParent moves it to the end of another list.
// Deleting an entity deletes its children first.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/animator.h"
#include "engine3d/brush.h"
#include "engine3d/math3d.h"
#include "engine3d/render_queue.h"

namespace vx {

class BSPModel;
class Camera;
class Light;
class Listener;
class MD2Model;
class Mesh;
class Mirror;
class Model;
class Object;
class Plane;
class Sprite;
class Terrain;
struct CollisionInfo;
struct CollisionLine;
struct CollisionRecord;
struct RenderContext;

class Entity;

struct EntityList {
  Entity* first = nullptr;
  Entity* last = nullptr;
};

class Entity {
 public:
  enum Dirty : uint32_t { kLocalStale = 1, kWorldStale = 2 };

  Entity& operator=(const Entity&) = delete;

  // Virtual operations, in their slot order.
  virtual ~Entity();
  // A new entity of the same kind copying this one, without children; it is
  // a root and its transforms are stale.
  virtual Entity* clone() const = 0;
  virtual Object* getObject() { return nullptr; }
  virtual Camera* getCamera() { return nullptr; }
  virtual Light* getLight() { return nullptr; }
  virtual Model* getModel() { return nullptr; }
  virtual Mirror* getMirror() { return nullptr; }
  virtual Listener* getListener() { return nullptr; }

  // The entities without a parent.
  static const EntityList& roots() { return roots_; }

  Entity* parent() const { return parent_; }
  Entity* next() const { return next_; }
  Entity* prev() const { return prev_; }
  Entity* firstChild() const { return children_.first; }
  Entity* lastChild() const { return children_.last; }
  // Moves the entity to the end of parent's child list (the root list for
  // null) and marks its subtree stale; nothing happens when the parent
  // does not change. The caller keeps parent out of the entity's subtree.
  void setParent(Entity* parent);
  // True when this is entity or one of its ancestors.
  bool isAncestorOf(const Entity* entity) const;

  // Local values; each setter marks the transforms stale.
  void setLocalPosition(Vector position);
  void setLocalScale(Vector scale);
  void setLocalRotation(Quat rotation);  // normalised on entry
  // Position from pos, scale from the axis lengths, rotation from the
  // orthonormalised axes.
  void setLocalTransform(const Transform& transform);
  Vector localPosition() const { return localPosition_; }
  Vector localScale() const { return localScale_; }
  Quat localRotation() const { return localRotation_; }
  const Transform& localTransform();

  // World values, relative to the parent's world transform.
  void setWorldPosition(Vector position);
  void setWorldScale(Vector scale);
  void setWorldRotation(Quat rotation);
  void setWorldTransform(const Transform& transform);
  const Transform& worldTransform();
  Vector worldPosition() { return worldTransform().pos; }
  // Composed up the whole chain on every call.
  Quat worldRotation();
  Vector worldScale();

  uint32_t dirty() const { return dirty_; }

  bool visible = true;  // drawn; a hidden entity hides its subtree
  bool enabled = true;  // visited by the world update
  std::string name;

 protected:
  Entity();
  // What a clone copies: the flags, the name and the local values. The copy
  // is a root with both transforms stale.
  Entity(const Entity& source);

 private:
  void link(EntityList& list);
  void unlink();
  EntityList& siblings();
  void invalidate();

  static EntityList roots_;

  Entity* next_ = nullptr;
  Entity* prev_ = nullptr;
  Entity* parent_ = nullptr;
  EntityList children_;

  uint32_t dirty_ = 0;
  Quat localRotation_;
  Vector localPosition_;
  Vector localScale_{1, 1, 1};
  Transform localTransform_;
  Quat worldRotation_;
  Vector worldScale_{1, 1, 1};
  Transform worldTransform_;
};

// What moves, collides, animates and is drawn tweened.
class Object : public Entity {
 public:
  ~Object() override;
  Object* getObject() override { return this; }
  // Whether the line, swept with radius, hits this entity's own geometry
  // (under transform) sooner than info says; improves info when it does.
  virtual bool collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform);
  // Keeps the local values for the next tweened render.
  virtual void capture();
  // Runs the animator, if any.
  virtual void animate(float elapsed);
  // Prepares the render transform for the tween factor; false when the
  // entity is not to be drawn this frame.
  virtual bool beginRender(float tween);
  // Called once per RenderWorld, after the scene has been drawn, on the
  // listeners it found (a listener follows where it was drawn).
  virtual void afterRender() {}

  // The parent's render transform times the tweened local transform.
  const Transform& renderTransform();
  // The start of the next collision sweep becomes the current place:
  // previous transform = world transform, velocity 0, no collisions.
  void reset();

  // Collisions (world update).
  int32_t collisionType = 0;
  float xRadius = 1, yRadius = 1;  // ellipsoid; the z radius is the x radius
  Vector boxMin{-1, -1, -1}, boxMax{1, 1, 1};
  int32_t pickMode = 0;
  bool obscurer = false;
  std::vector<CollisionRecord*> collisions;  // of the last update
  float elapsed = 0;
  Vector velocity;
  Transform previousTransform;

  int32_t order = 0;  // render order; 0 draws with the z-buffer

  // Tweening.
  Vector capturedPosition, capturedScale{1, 1, 1};
  Quat capturedRotation;
  bool captured = false;
  Transform tweened;  // the tweened local transform
  bool renderValid = false;

  std::vector<int32_t> emittedChannels;  // channels of sounds emitted from it
  std::unique_ptr<Animator> animator;

 protected:
  Object() = default;
  // Copies the collision settings and the order; the collision list, the
  // velocity, the tween state and the animator start afresh.
  Object(const Object& source);

 private:
  Transform render_;
};

// What is drawn with a material. A frame draws a model in three steps:
// prepare (the render brush and the fade), the kind's render (which queues
// what is to be drawn, opaque and transparent apart) and flush of each
// queue with the world matrix the kind names (drawTransform).
class Model : public Object {
 public:
  enum Queue { kOpaque = 0, kTransparent = 1 };

  Model* getModel() override { return this; }
  // capture and beginRender also keep and tween the material's alpha;
  // beginRender is false for a model that is fully transparent.
  void capture() override;
  bool beginRender(float tween) override;
  // The render brush changed: the kind rebuilds what depends on it.
  virtual void renderBrushChanged(const Brush& brush) = 0;
  // Queues what is to be drawn.
  virtual void render(const RenderContext& context) = 0;
  // The world matrix the queued items are drawn with: the render transform,
  // or null (the identity) for a kind whose geometry is already in world
  // space.
  virtual const Transform* drawTransform() { return &renderTransform(); }
  // The box around the kind's geometry in its own space; false when it has
  // none (an empty mesh, a kind without bounds), and the entity is then seen
  // as a point.
  virtual bool bounds(Vector& min, Vector& max) {
    (void)min, (void)max;
    return false;
  }
  virtual Sprite* getSprite() { return nullptr; }
  virtual Terrain* getTerrain() { return nullptr; }
  virtual Plane* getPlane() { return nullptr; }
  virtual Mesh* getMesh() { return nullptr; }
  virtual MD2Model* getMD2() { return nullptr; }
  virtual BSPModel* getBSP() { return nullptr; }
  // The material; each sets brushChanged.
  virtual void setBrush(const Brush& brush);
  virtual void setColor(Vector color);  // 0..1
  virtual void setAlpha(float alpha);
  virtual void setShininess(float shininess);
  virtual void setTexture(int index, const Texture& texture, int32_t frame);
  virtual void setBlend(int32_t blend);
  virtual void setFX(int32_t fx);

  // Seen from eye (a world position): the render brush made current and
  // the alpha faded with the distance. False when nothing is to be drawn.
  bool prepare(Vector eye);
  // Queues a draw of the triangle range: transparent when the brush
  // blends. The brush must stay as it is until the queue is flushed (one
  // the model keeps).
  void enqueue(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
               int32_t triangleCount, const Brush& brush);
  bool hasQueued(Queue queue) const { return !queues_[queue].empty(); }
  // Draws a queue, last queued first, and empties it.
  void flush(Queue queue, SceneDevice& device) { queues_[queue].flush(device); }

  Brush brush;        // the model's own material
  Brush renderBrush;  // what it is drawn with this frame
  bool brushChanged = true;
  float capturedAlpha = 1;
  float renderAlpha = 1;
  bool autoFade = false;
  float fadeNear = 0, fadeFar = 0;

 protected:
  Model() = default;
  Model(const Model& source) = default;

 private:
  RenderQueue queues_[2];
};

// An entity with nothing to draw: a handle for hierarchies.
class Pivot : public Object {
 public:
  Pivot() = default;
  Entity* clone() const override { return new Pivot(*this); }

 private:
  Pivot(const Pivot& source) = default;
};

}  // namespace vx
