#include "wayland_idle.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cstring>
#include <iostream>

namespace watch {

namespace {

class WaylandSource : public IdleSource {
public:
    static std::unique_ptr<WaylandSource> Connect(std::string& why)
    {
        wl_display* display = wl_display_connect(nullptr);
        if (!display) {
            why = "le compositeur Wayland ne répond pas";
            return nullptr;
        }
        std::unique_ptr<WaylandSource> source(new WaylandSource(display));
        // Two round trips: the globals, then the seat's own announcements.
        wl_display_roundtrip(display);
        wl_display_roundtrip(display);
        if (!source->seat_ || (!source->notifier_ && !source->kdeIdle_)) {
            why = source->seat_ ? "ce compositeur n'offre ni ext-idle-notify-v1 ni org_kde_kwin_idle"
                                : "ce compositeur n'annonce pas de siège (wl_seat)";
            return nullptr;
        }
        source->watchSocket();
        return source;
    }

    ~WaylandSource() override
    {
        socket_.reset();
        dropNotification();
        if (notifier_)
            ext_idle_notifier_v1_destroy(notifier_);
        if (kdeIdle_)
            org_kde_kwin_idle_destroy(kdeIdle_);
        if (seat_)
            wl_seat_destroy(seat_);
        wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }

    std::string Name() const override { return notifier_ ? "ext-idle-notify-v1" : "org_kde_kwin_idle"; }

    void Arm(std::chrono::milliseconds threshold) override
    {
        dropNotification();
        const uint32_t ms = uint32_t(std::max<long long>(threshold.count(), 1));
        if (notifier_) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, ms, seat_);
            ext_idle_notification_v1_add_listener(notification_, &kNotificationListener, this);
        } else {
            timeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, ms);
            org_kde_kwin_idle_timeout_add_listener(timeout_, &kTimeoutListener, this);
        }
        wl_display_flush(display_);
    }

private:
    explicit WaylandSource(wl_display* display) : display_(display), registry_(wl_display_get_registry(display))
    {
        wl_registry_add_listener(registry_, &kRegistryListener, this);
    }

    void watchSocket()
    {
        socket_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
        connect(socket_.get(), &QSocketNotifier::activated, this, [this] {
            if (wl_display_dispatch(display_) < 0) {
                // The compositor went, and the session with it.
                std::cerr << "lumivane --watch : le compositeur Wayland est parti\n";
                socket_->setEnabled(false);
                QCoreApplication::exit(1);
            }
        });
    }

    void dropNotification()
    {
        if (notification_)
            ext_idle_notification_v1_destroy(notification_);
        if (timeout_)
            org_kde_kwin_idle_timeout_release(timeout_);
        notification_ = nullptr;
        timeout_ = nullptr;
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
    {
        auto* self = static_cast<WaylandSource*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_)
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
            self->notifier_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
            self->kdeIdle_ =
                static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
    // The listeners get the source as given, a WaylandSource; its signals are IdleSource's.
    static IdleSource* source(void* data) { return static_cast<WaylandSource*>(data); }
    static void extIdled(void* data, ext_idle_notification_v1*) { emit source(data)->idled(); }
    static void extResumed(void* data, ext_idle_notification_v1*) { emit source(data)->resumed(); }
    static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) { emit source(data)->idled(); }
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) { emit source(data)->resumed(); }

    static constexpr wl_registry_listener kRegistryListener = {&WaylandSource::global, &WaylandSource::globalRemove};
    static constexpr ext_idle_notification_v1_listener kNotificationListener = {&WaylandSource::extIdled,
                                                                                &WaylandSource::extResumed};
    static constexpr org_kde_kwin_idle_timeout_listener kTimeoutListener = {&WaylandSource::kdeIdled,
                                                                            &WaylandSource::kdeResumed};

    wl_display* display_;
    wl_registry* registry_;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* notifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
    std::unique_ptr<QSocketNotifier> socket_;
};

}  // namespace

std::unique_ptr<IdleSource> WaylandIdleSource(std::string& why) { return WaylandSource::Connect(why); }

}  // namespace watch
