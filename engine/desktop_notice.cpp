#include "desktop_notice.h"

#include <libnotify/notify.h>

namespace nad {

// notify_init only names the program; whether a service answers is known at the first show.
DesktopNotices::DesktopNotices() : ready_(notify_init("nadilka") != 0) {}

DesktopNotices::~DesktopNotices() {
  if (ready_) notify_uninit();
}

void DesktopNotices::show(const std::string &text) {
  if (!ready_) return;
  NotifyNotification *n = notify_notification_new("Nadílka", text.c_str(), "nadilka");
  GError *error = nullptr;
  // No service on the session bus (or no bus): the player has the line on stderr.
  if (!notify_notification_show(n, &error) && error) g_error_free(error);
  g_object_unref(G_OBJECT(n));
}

} // namespace nad
