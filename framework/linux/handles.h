#pragma once
// Owners of GLib, GTK and cairo objects, each freeing its object the one way
// the library asks for it.
#include <cairo.h>
#include <gtk/gtk.h>

#include <memory>

namespace snx {

// A top-level widget: destroying it also drops GTK's own reference.
struct WidgetDeleter {
  void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
using UniqueWidget = std::unique_ptr<GtkWidget, WidgetDeleter>;

// Any GObject held by one reference (layouts, cursors, pixbufs).
template <class T>
struct ObjectDeleter {
  void operator()(T* object) const { g_object_unref(object); }
};
template <class T>
using UniqueObject = std::unique_ptr<T, ObjectDeleter<T>>;

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using UniqueSurface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct FontDescriptionDeleter {
  void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
using UniqueFontDescription = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;

struct AttrListDeleter {
  void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};
using UniqueAttrList = std::unique_ptr<PangoAttrList, AttrListDeleter>;

struct EventDeleter {
  void operator()(GdkEvent* event) const { gdk_event_free(event); }
};
using UniqueEvent = std::unique_ptr<GdkEvent, EventDeleter>;

// A main-loop source held by its GSource: taken off its context and released.
struct SourceDeleter {
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};
using UniqueSource = std::unique_ptr<GSource, SourceDeleter>;

// A main-loop source (timeout, idle), removed when its owner goes.
class TSourceId {
 public:
  TSourceId() = default;
  explicit TSourceId(guint id) : id_(id) {}
  TSourceId(const TSourceId&) = delete;
  TSourceId& operator=(const TSourceId&) = delete;
  ~TSourceId() { Reset(); }

  explicit operator bool() const { return id_ != 0; }
  void Reset(guint id = 0) {
    if (id_ != 0) g_source_remove(id_);
    id_ = id;
  }

 private:
  guint id_ = 0;
};

}  // namespace snx
