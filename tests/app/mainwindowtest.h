#pragma once

#include "app/main_form.h"
#include "app/vidbas.h"
#include "play/playcontrol.h"
#include "support/testenv.h"

#include <QDir>
#include <gtest/gtest.h>

namespace korimo::test {

// A loaded and shown main window over a fresh settings file, with the program-wide state, the
// current folder and the screen pointer put back afterwards.
class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { PlayControl::setAudioDriver("null"); }
    void SetUp() override {
        VidBAS::ResetState();
        m_cwd = QDir::currentPath();
        main.Load();
        main.Show();
    }
    void TearDown() override {
        QDir::setCurrent(m_cwd);
        VidBAS::ShowDefaultPointer();
        VidBAS::ResetState();
    }

    ScopedSettingsFile settings;
    Main main;

private:
    QString m_cwd;
};

} // namespace korimo::test
