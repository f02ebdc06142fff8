#pragma once
// What the dialog tests do as a user would: answer the next modal window, find a
// control by its name.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <functional>

// Acts on the next modal window once it is up.
inline void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start(5);
}

// Types `text` into a file chooser's name box and accepts, as a user does, once the chooser
// would give `expected`; otherwise it is cancelled, saying what it would have given.
// (QFileDialog::selectFile leaves the box alone whenever it has the keyboard focus, which
// depends on when the window system activates the chooser: a busy machine's lottery.)
inline void typeAndAccept(QWidget* modal, const QString& text, const QStringList& expected)
{
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_TRUE(chooser) << "the modal window is a " << modal->metaObject()->className();
    auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(name);
    name->setText(text);
    const QStringList chosen = chooser->selectedFiles();
    if (chosen != expected) {
        ADD_FAILURE() << "typed " << text.toStdString() << " in " << chooser->directory().path().toStdString()
                      << ", the chooser gives " << chosen.join(QStringLiteral(" | ")).toStdString();
        chooser->reject();
        return;
    }
    static_cast<QDialog*>(chooser)->accept();  // public there
}

template <class T>
T* child(QWidget* w, const char* name)
{
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(found) << name;
    return found;
}
