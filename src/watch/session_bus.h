#pragma once
// Method calls on the session bus as the watcher makes them: plain messages, never an
// introspected interface (which first asks the service for its description, with no bound
// on the wait).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QList>
#include <QString>
#include <QVariant>

namespace watch {

inline QDBusMessage MethodCall(const QString& service, const QString& path, const QString& interface,
                               const QString& method, const QList<QVariant>& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return call;
}

// A call that gives up after two seconds: a hung service must not hold the watcher, which
// answers film players meanwhile.
inline QDBusMessage CallWithin(const QString& service, const QString& path, const QString& interface,
                               const QString& method, const QList<QVariant>& arguments = {})
{
    const QDBusMessage call = MethodCall(service, path, interface, method, arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
}

// A call whose answer comes when it comes: the bus's own bound (25 s) ends a call a
// service never answers.
inline QDBusPendingCall Ask(const QString& service, const QString& path, const QString& interface,
                            const QString& method, const QList<QVariant>& arguments = {})
{
    const QDBusMessage call = MethodCall(service, path, interface, method, arguments);
    return QDBusConnection::sessionBus().asyncCall(call);
}

// A call whose answer nobody waits for.
inline void Send(const QString& service, const QString& path, const QString& interface, const QString& method,
                 const QList<QVariant>& arguments = {})
{
    const QDBusMessage call = MethodCall(service, path, interface, method, arguments);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

}  // namespace watch
