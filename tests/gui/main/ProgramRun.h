#pragma once

#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/main/MainWindow.h"
#include "mock/FakeServices.h"
#include "support/TestFolder.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// One run of the program in a temporary program folder, with every seam faked.
struct ProgramRun {
    explicit ProgramRun(const QString& folder) {
        window = std::make_unique<MainWindow>(state, fakes.platform, starter, folder);
        window->show();
    }
    ~ProgramRun() {
        if (window)
            window->close();
    }
    template <class T> T* find(const char* name) const {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString label(const char* name) const { return find<QLabel>(name)->text(); }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    std::unique_ptr<MainWindow> window;
};

// A settings file that names the configuration to reopen.
inline void lastProject(const TestFolder& folder, const QByteArray& name) {
    folder.write(QStringLiteral("Ordano.xml"),
                 QByteArray("<Conf_Settings><lastproj><projectname>") + name +
                     "</projectname></lastproj></Conf_Settings>");
}
