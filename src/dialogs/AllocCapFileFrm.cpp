#include "dialogs/AllocCapFileFrm.h"
#include "controls/EngineWords.h"

#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/DialogChrome.h"
#include "dialogs/Pelxbas.h"
#include "infowindows/ElasticPanel.h"
#include "settings/Globals.h"

#include <QLabel>
#include <QLineEdit>
#include <tuple>

namespace pelta {

AllocCapFileFrm::AllocCapFileFrm(engine::CaptureEngineContract& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
    setObjectName(QStringLiteral("AllocCapFileFrm"));
    setWindowTitle(tr("Allocate File Size"));
    resize(400, 200);
    chrome_ = new DialogChrome(this, tr("Pelta-RX Allocate File Size"));
    QWidget* panel = chrome_->Panel();
    auto* l1 = MakeLabel(panel, QStringLiteral("Label1"), tr("Capture &file:"), {12, 36, 90, 20});
    edtCaptureFile = MakeControl<QLineEdit>(panel, QStringLiteral("edtCaptureFile"), {104, 34, 200, 22});
    edtCaptureFile->setText(QStringLiteral("c:\\capture.avi"));
    l1->setBuddy(edtCaptureFile);
    btnBrowse = MakeButton(panel, QStringLiteral("btnBrowse"), tr("Browse..."), {312, 33, 75, 23});
    auto* l2 = MakeLabel(panel, QStringLiteral("Label2"),
                     tr("Enter the amount of disk space to set aside for the capture file.  Existing video "
                        "data in the file will be lost."),
                     {12, 62, 376, 34});
    l2->setWordWrap(true);
    MakeLabel(panel, QStringLiteral("Label3"), tr("Free disk space:"), {12, 102, 110, 20});
    lblFreeDiskSpace = MakeLabel(panel, QStringLiteral("lblFreeDiskSpace"), QStringLiteral("   "), {124, 100, 70, 22});
    lblFreeDiskSpace->setFrameShape(QFrame::Box);
    MakeLabel(panel, QStringLiteral("Label5"), tr("MB"), {200, 102, 30, 20});
    auto* l4 = MakeLabel(panel, QStringLiteral("Label4"), tr("Capture file &size:"), {12, 132, 110, 20});
    edtCapFileSize = MakeControl<QLineEdit>(panel, QStringLiteral("edtCapFileSize"), {124, 130, 70, 22});
    edtCapFileSize->setText(QStringLiteral("0"));
    l4->setBuddy(edtCapFileSize);
    MakeLabel(panel, QStringLiteral("Label6"), tr("MB"), {200, 132, 30, 20});
    std::tie(btnOK, btnCancel) = MakeOkCancel(panel, {228, 166}, {312, 166});

    edtCapFileSize->installEventFilter(this);
    connect(edtCaptureFile, &QLineEdit::textChanged, this, &AllocCapFileFrm::CheckOKButton);
    connect(edtCapFileSize, &QLineEdit::textChanged, this, &AllocCapFileFrm::CheckOKButton);
    connect(btnBrowse, &xpcmdbutton::Click, this, &AllocCapFileFrm::BrowseClick);
    connect(btnOK, &xpcmdbutton::Click, this, &AllocCapFileFrm::OKClick);
    connect(btnCancel, &xpcmdbutton::Click, this, [this] { done(QDialog::Rejected); });
    Load();
}

AllocCapFileFrm::~AllocCapFileFrm() { SetDiskSpaceTargets(SpaceDialog::AllocCapFile, nullptr, nullptr); }

void AllocCapFileFrm::Load() {
    nSpaceDialog = SpaceDialog::AllocCapFile;
    SetDiskSpaceTargets(SpaceDialog::AllocCapFile, lblFreeDiskSpace, edtCapFileSize);
    QString name;
    try {
        name = QString::fromStdString(engine_.CaptureFileName());
        edtCaptureFile->setText(name);
    } catch (const std::exception&) {
    }
    CheckOKButton();
    try {
        UpdateDiskSpace(name);
    } catch (const std::exception&) {
    }
    btnOK->SetState(1);
}

void AllocCapFileFrm::CheckOKButton() {
    btnOK->SetEnabled(!edtCaptureFile->text().isEmpty() && !edtCapFileSize->text().isEmpty());
}

void AllocCapFileFrm::BrowseClick() {
    SaveFileRequest r;
    r.Owner = this;
    r.Title = tr("Capture File");
    r.Filter = tr("Microsoft AVI (*.avi)");
    r.DefaultSuffix = QStringLiteral("avi");
    r.ConfirmOverwrite = false;
    BrowseForCaptureFile(engine_, r, edtCaptureFile);
}

void AllocCapFileFrm::OKClick() {
    bool ok = false;
    const qlonglong mb = edtCapFileSize->text().toLongLong(&ok);
    if (!ok || mb > INT32_MAX) {
        // Digits beyond the 32-bit range get a plain answer instead of an overflow.
        Prompts().Message(this, tr("Choose a capture file size between 0 and 2147483647 MB."),
                          ApplicationTitle(), PromptButtons::Ok);
        return;
    }
    if (const QString tooLong = PathTooLongText(edtCaptureFile->text()); !tooLong.isEmpty()) {
        Prompts().DetailedMessage(this, tooLong, ApplicationTitle(), edtCaptureFile->text());
        return;
    }
    try {
        engine_.SetCaptureFileName(edtCaptureFile->text().toStdString());
        engine_.ReserveCaptureFile(static_cast<int32_t>(mb));
    } catch (const std::exception& e) {
        Prompts().Message(this, EngineErrorText(std::string(e.what())), ApplicationTitle(), PromptButtons::Ok);
        return;
    }
    done(QDialog::Accepted);
}

bool AllocCapFileFrm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtCapFileSize && DropsNonDigitKey(event)) return true;
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelta
