#pragma once
// Method calls on the session bus as the watcher makes them: plain messages, never an
// introspected interface (which first asks the service for its description, with no bound
// on the wait).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QString>
#include <QVariant>

namespace watch {

// A call that gives up after two seconds: a hung service must not hold the watcher, which
// answers film players meanwhile.
inline QDBusMessage CallWithin(const QString& service, const QString& path, const QString& interface,
                               const QString& method, const QList<QVariant>& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
}

// The same where nothing waits for the answer.
inline void Send(const QString& service, const QString& path, const QString& interface, const QString& method,
                 const QList<QVariant>& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

}  // namespace watch
