#pragma once
// The idle time of a Wayland compositor: ext-idle-notify-v1 where it is offered, else
// KDE's org_kde_kwin_idle (which wlroots compositors such as sway also offer). Both leave
// out the time an application holds an idle inhibitor.

#include "idle_source.h"

#include <memory>
#include <string>

namespace watch {

// nullptr, with the reason in `why`, when the compositor offers neither or cannot be
// reached.
std::unique_ptr<IdleSource> WaylandIdleSource(std::string& why);

}  // namespace watch
