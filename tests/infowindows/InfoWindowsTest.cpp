#include "infowindows/AboutFrm.h"
#include "infowindows/Register.h"
#include "support/MainWindowFixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>

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
    EXPECT_EQ(about.Text1->toPlainText().size(), QString(t).replace("\r\n", "\n").size());
}

TEST(Splash, MainWindowLoadsHiddenAndShowsAfterAClick) {
    test::TempConfigHome home;
    test::ScriptableEngine* engine = nullptr;
    auto* splash = new Register(test::ScriptableFactory(&engine));
    splash->Load();
    splash->show();
    MainFrm* main = splash->Main();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(engine->WasCalled("PreviewOn=True"));  // its load already ran
    Click(splash->findChild<QLabel*>("Label2"));       // the title does nothing
    EXPECT_FALSE(main->isVisible());
    Click(splash->findChild<QLabel*>("Label4"));       // the e-mail line only closes the splash
    EXPECT_TRUE(main->isVisible());
    delete main;
}

}  // namespace
