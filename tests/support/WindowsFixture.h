#pragma once
// A test fixture that starts the program's windows in a fresh program directory, offscreen,
// with scripted dialogs. Derive from it; call start() after preparing the directory (or let
// SetUp start at once with the default files).

#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "core/Sequencer.h"
#include "core/Windows.h"
#include "platform/Dialogs.h"
#include "support/ProgramDir.h"

namespace valdorin::testing {

class WindowsFixture : public ::testing::Test {
  protected:
    // The directory is seeded before SetUp; override prepare() to change its files.
    virtual void prepare(ProgramDir&) {}
    // false: the test calls start() itself.
    virtual bool startAtSetUp() const { return true; }
    virtual ProgramDir::Seed seed() const { return ProgramDir::Seed::Full; }

    void SetUp() override {
        dir = std::make_unique<ProgramDir>(seed());
        platform::setDialogs(&dialogs);
        prepare(*dir);
        if (startAtSetUp())
            start();
    }
    void start() {
        createWindows();
        seq = windows().Sequence;
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        if (windows().Sequence)
            destroyWindows();
        platform::setDialogs(nullptr);
        dir.reset();
    }

    std::unique_ptr<ProgramDir> dir;
    platform::ScriptedDialogs dialogs;
    TSequence* seq = nullptr;
};

}  // namespace valdorin::testing
