// What a screen reader meets in the program's windows: every control it can reach has a
// name and a role, text boxes and lists are named by their labels, menu items by their
// captions, and the dialogs' "x" is a Close button.
#include "autocapture/Buttons.h"
#include "controls/ScreenReader.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/AllocCapFileFrm.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapManSeqFrm.h"
#include "dialogs/CapVidAudFrm.h"
#include "infowindows/AboutFrm.h"
#include "infowindows/Register.h"
#include "support/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <memory>

using namespace pelta;

namespace {

TEST(ScreenReader, LabelTextsBecomeNames) {
    const std::pair<QString, QString> cases[] = {
        {"Capture file &size:", "Capture file size"}, {"Time Limit:", "Time Limit"},
        {"Fish && Chips", "Fish & Chips"},             {"<b>Frame</b> Delay:", "Frame Delay"},
        {"  sec ", "sec"},                            {"&", "&"},
    };
    for (const auto& [text, name] : cases) EXPECT_EQ(NameFromLabelText(text), name) << text.toStdString();
}

// What a screen reader announces a control as: the label it is "labelled by" (how Orca
// names lists and text boxes), else its own name.
QString Announced(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a) return {};
    const auto labels = a->relations(QAccessible::Label);
    if (!labels.isEmpty()) return NameFromLabelText(labels.first().first->text(QAccessible::Name));
    return NameFromLabelText(a->text(QAccessible::Name));
}

// Every control under `window` that takes the focus and is announced without a name or role.
std::vector<std::string> Unnamed(QWidget* window) {
    std::vector<std::string> bad;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QAccessible::Role role = a ? a->role() : QAccessible::NoRole;
        if (Announced(w).isEmpty() || role == QAccessible::NoRole || role == QAccessible::Client)
            bad.push_back(w->metaObject()->className() + std::string(" ") + w->objectName().toStdString());
    }
    return bad;
}

QString NameOf(QWidget* window, const char* object) {
    auto* w = window->findChild<QWidget*>(QString::fromLatin1(object));
    return w ? Announced(w) : QStringLiteral("<missing>");
}

// A caption as Qt reads it: the "&" marks gone, the rest as it is.
QString WithoutMarks(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

class ScreenReaderWindows : public test::MainWindowTest {
protected:
    void SetUp() override {
        EnableScreenReaderNames();
        CreateProgramSettings();
        Open(OneScreen);
    }
    // Shows `window`, checks every reachable control, then the named ones.
    void Check(QWidget* window, std::initializer_list<std::pair<const char*, const char*>> names) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        EXPECT_EQ(Unnamed(window), std::vector<std::string>{});
        for (const auto& [object, name] : names) EXPECT_EQ(NameOf(window, object), name) << object;
    }
    template <typename W, typename... Args>
    void CheckNew(Args&&... args) {
        W window(std::forward<Args>(args)...);
        Check(&window, {});
    }
};

TEST_F(ScreenReaderWindows, EveryDialogControlHasANameAndARole) {
    CapVidAudFrm capture(*engine_);
    Check(&capture, {{"edtCaptureFile", "Capture File"},
                     {"edtCapFileSize", "Capture file size"},
                     {"cmbMode", "Mode"},
                     {"chkUseTimeLimit", "Time Limit"},
                     {"edtTimeLimit", "Time Limit"},
                     {"chkUseFrameRate", "Frame Rate"},
                     {"edtFrameRate", "Frame Rate"},
                     {"btnBrowse", "Browse..."},
                     {"btnOK", "OK"},
                     {"btnCancel", "Cancel"}});
    AllocCapFileFrm allocate(*engine_);
    Check(&allocate, {{"edtCaptureFile", "Capture file"}, {"edtCapFileSize", "Capture file size"}});
    CheckNew<CapManSeqFrm>(*engine_, [](bool) {});
    CheckNew<CapAutoSeqFrm>(*engine_);
    CheckNew<Buttons>();
    AboutFrm about;
    Check(&about, {{"Text1", "Help"}});
}

TEST_F(ScreenReaderWindows, TheCloseLabelIsAButtonThatCloses) {
    AllocCapFileFrm dialog(*engine_);
    dialog.show();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(dialog.findChild<QLabel*>("LblEnd"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), "Close");
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(rejected.count(), 1);
}

// Menu items, nested ones included, are read by their captions without the "&".
void CheckMenu(QMenu* menu, int& items) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(a, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(a->childCount(), actions.size()) << menu->objectName().toStdString();
    for (int i = 0; i < actions.size(); ++i) {
        QAction* act = actions[i];
        QAccessibleInterface* item = a->child(i);
        if (act->isSeparator()) {
            EXPECT_EQ(item->role(), QAccessible::Separator);
            continue;
        }
        ++items;
        EXPECT_EQ(item->role(), QAccessible::MenuItem) << act->text().toStdString();
        EXPECT_EQ(item->text(QAccessible::Name), WithoutMarks(act->text()))
            << act->text().toStdString();
        EXPECT_FALSE(item->text(QAccessible::Name).isEmpty()) << act->objectName().toStdString();
        if (act->menu()) CheckMenu(act->menu(), items);
    }
}

TEST_F(ScreenReaderWindows, EveryMenuItemIsNamedByItsCaption) {
    main_->show();
    int items = 0;
    for (QAction* top : main_->menuBar()->actions())
        if (top->menu()) CheckMenu(top->menu(), items);
    EXPECT_GT(items, 30);
    EXPECT_EQ(Unnamed(main_.get()), std::vector<std::string>{});
}

TEST_F(ScreenReaderWindows, TheSplashAndThePreviewHaveNames) {
    test::ScriptableEngine* engine = nullptr;
    Register splash(test::ScriptableFactory(&engine));
    splash.show();
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(&splash)->text(QAccessible::Name).isEmpty());
    delete splash.Main();
}

}  // namespace
