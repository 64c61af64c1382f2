#pragma once

// What every window test sets up first: the program's fonts, and the message boxes collected instead
// of shown, so that a test reads them and never waits on one.

#include "db/CallWatch.h"
#include "profiles/ProfileStore.h"
#include "ui/FormSupport.h"
#include "ui/MessagePresenter.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace zemo::test {

// Every message box from now on lands in `boxes` as "title|text".
inline void collectMessageBoxes(QStringList& boxes) {
    MessagePresenter::setHandler([&boxes](QWidget*, const QString& title, const QString& text) {
        boxes << title + QLatin1Char('|') + text;
    });
}

// Fonts as the program sets them and boxes collected; with `profileFolder`, the profile file is kept
// there instead of beside the program.
inline void startWindowTests(QStringList& boxes, const QString& profileFolder = {}) {
    installFontSubstitutes();
    if (!profileFolder.isEmpty())
        setProfileFolderOverride(profileFolder);
    collectMessageBoxes(boxes);
}

// Lets every run that shows its rows as they arrive (the result window's) come to its end, the event
// loop turning meanwhile; false when one still runs after `ms`.
inline bool waitForRuns(int ms = 30000) {
    return QTest::qWaitFor([] { return CallWatch::active() == 0; }, ms);
}

// Shows a window and lets what it starts once shown (the result window's first run, the table list)
// run to its end.
inline void showWindow(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    waitForRuns();
}

} // namespace zemo::test
