#pragma once

#include <glib-object.h>

#include <utility>

namespace kb::gtk {

// Holds one reference to a GObject and drops it when it goes; a copy holds
// a reference of its own. Null is allowed.
template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  ~GObjectPtr() { reset(); }
  GObjectPtr(const GObjectPtr& other) : object_(other.object_) {
    if (object_) g_object_ref(object_);
  }
  GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  // Takes over a reference the caller owns (a "transfer full" result).
  static GObjectPtr adopt(T* object) { return GObjectPtr(object); }
  // Adds a reference of its own to an object someone else owns.
  static GObjectPtr share(T* object) {
    if (object) g_object_ref(object);
    return GObjectPtr(object);
  }
  // Owns a newly made widget: its floating reference becomes this one.
  static GObjectPtr sink(T* object) {
    if (object) g_object_ref_sink(object);
    return GObjectPtr(object);
  }

  T* get() const { return object_; }
  // Passes as the plain pointer to the toolkit's functions.
  operator T*() const { return object_; }
  void reset() {
    if (auto* object = std::exchange(object_, nullptr)) g_object_unref(object);
  }

 private:
  explicit GObjectPtr(T* object) : object_(object) {}
  T* object_ = nullptr;
};

}  // namespace kb::gtk
