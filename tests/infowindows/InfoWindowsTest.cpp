#include "infowindows/AboutFrm.h"
#include "infowindows/Register.h"
#include "mainwindow/MainFrm.h"
#include "mainwindow/StatusBarPanels.h"
#include "support/ScriptableEngine.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>

using namespace pelta;

namespace {

void Click(QWidget* w) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

TEST(About, HelpTextToTheCharacter) {
    const QString t = AboutFrm::HelpText();
    EXPECT_TRUE(t.startsWith("Record video, audio, or both."));
    EXPECT_TRUE(t.contains("listed to select from.\r\n\r\n  \r\n\r\nYou can set the size"));
    EXPECT_TRUE(t.contains("audio files.\r\n\r\nUse the Auto Buttons"));
    EXPECT_TRUE(t.endsWith("... avi, mp3, wav.\r\n\r\nIf you don't erase the file, it will be overwritten."));
    EXPECT_EQ(t.count("\r\n\r\n"), 5);
    AboutFrm about;
    EXPECT_EQ(about.size(), QSize(457, 285));
    EXPECT_EQ(about.Text1->toPlainText().size(), QString(t).replace("\r\n", "\n").size());
}

class Splash : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", home_.path().toUtf8()); }
    QTemporaryDir home_;
    test::ScriptableEngine* engine_ = nullptr;
};

TEST_F(Splash, MainWindowLoadsHiddenAndShowsAfterAClick) {
    auto* splash = new Register(test::ScriptableFactory(&engine_));
    splash->Load();
    splash->show();
    MainFrm* main = splash->Main();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(engine_->WasCalled("PreviewOn=True"));  // its load already ran
    Click(splash->findChild<QLabel*>("Label2"));       // the title does nothing
    EXPECT_FALSE(main->isVisible());
    Click(splash->findChild<QLabel*>("Label4"));       // the e-mail line only closes the splash
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->sbMain().Count(), 6);
    delete main;
}

}  // namespace
