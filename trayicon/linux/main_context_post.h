#pragma once
// Hands a call to a GLib main context, always through its queue.
// g_main_context_invoke would instead run it at once on the calling thread
// whenever that thread can acquire the context (as any thread can the
// default one while its own thread is between iterations), and GTK must
// only be touched from the main thread.
#include <glib.h>

namespace snx {

inline void PostToMainContext(GMainContext* context, GSourceFunc function, gpointer data, GDestroyNotify destroy) {
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(source, function, data, destroy);
  g_source_attach(source, context);
  g_source_unref(source);
}

}  // namespace snx
