#include "screensaver_service.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <algorithm>
#include <iostream>

namespace watch {

namespace {
const QString kName = QStringLiteral("org.freedesktop.ScreenSaver");
}

ScreenSaverService::ScreenSaverService(QDBusConnection bus) : bus_(std::move(bus))
{
    owners_.setConnection(bus_);
    owners_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&owners_, &QDBusServiceWatcher::serviceUnregistered, this, &ScreenSaverService::ownerLeft);
}

ScreenSaverService::~ScreenSaverService()
{
    if (!registered_)
        return;
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    bus_.unregisterObject(QStringLiteral("/ScreenSaver"));
    bus_.unregisterService(kName);
}

bool ScreenSaverService::Register()
{
    if (!bus_.isConnected() || !bus_.registerService(kName))
        return false;
    const auto exported = QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals;
    bus_.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), this, exported);
    bus_.registerObject(QStringLiteral("/ScreenSaver"), this, exported);
    registered_ = true;
    return true;
}

void ScreenSaverService::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    emit ActiveChanged(active);
}

uint ScreenSaverService::Inhibit(const QString& application, const QString& reason)
{
    const QString owner = calledFromDBus() ? message().service() : QString();
    const uint cookie = nextCookie_++;
    const bool first = inhibitors_.empty();
    inhibitors_[cookie] = {owner, application, reason};
    if (!owner.isEmpty()) {
        owners_.addWatchedService(owner);
        // Gone before the watch began: its inhibitor goes now, as it would have then.
        if (!bus_.interface()->isServiceRegistered(owner)) {
            ownerLeft(owner);
            return cookie;
        }
    }
    if (first)
        emit inhibitedChanged(true);
    std::cerr << "lumivane --watch : " << application.toStdString() << " empêche le diaporama ("
              << reason.toStdString() << ")\n";
    return cookie;
}

void ScreenSaverService::UnInhibit(uint cookie)
{
    const auto it = inhibitors_.find(cookie);
    // Only its owner ends an inhibitor: another program cannot lift a film's.
    if (it == inhibitors_.end() || (calledFromDBus() && it->second.owner != message().service()))
        return;
    const QString owner = it->second.owner;
    inhibitors_.erase(it);
    if (std::none_of(inhibitors_.begin(), inhibitors_.end(), [&](const auto& i) { return i.second.owner == owner; }))
        owners_.removeWatchedService(owner);
    if (inhibitors_.empty())
        emit inhibitedChanged(false);
}

void ScreenSaverService::ownerLeft(const QString& owner)
{
    const bool had = !inhibitors_.empty();
    std::erase_if(inhibitors_, [&](const auto& i) { return i.second.owner == owner; });
    owners_.removeWatchedService(owner);
    if (had && inhibitors_.empty())
        emit inhibitedChanged(false);
}

}  // namespace watch
