#include "dialogs/CapVidAudFrm.h"
#include "controls/EngineWords.h"
#include "controls/ScreenReader.h"

#include "controls/SkipFailure.h"

#include "controls/Prompts.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/DialogChrome.h"
#include "dialogs/Pelxbas.h"
#include "engine/core/EngineContract.h"
#include "infowindows/ElasticPanel.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <cmath>
#include <exception>
#include <limits>
#include <tuple>

namespace pelta {

namespace {

constexpr auto kPlaceholderName = "/Using Auto Name with ext";

// A Double as the user reads it: general format, up to 15 significant digits.
QString NumberText(double v) { return QLocale().toString(v, 'g', 15); }

// The user's own notation first, then the plain one; nullopt-like `ok` false otherwise.
double ParseNumber(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    double v = QLocale().toDouble(t, ok);
    if (!*ok) v = QLocale::c().toDouble(t, ok);
    if (*ok && !std::isfinite(v)) *ok = false;
    return v;
}

void SetTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

CapVidAudFrm::CapVidAudFrm(engine::CaptureEngineContract& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
    setObjectName(QStringLiteral("CapVidAudFrm"));
    setModal(true);
    BuildControls();
    Load();
}

CapVidAudFrm::~CapVidAudFrm() {
    SetDiskSpaceTargets(SpaceDialog::CapVidAud, nullptr, nullptr);
}

void CapVidAudFrm::BuildControls() {
    resize(410, 362);
    chrome_ = new DialogChrome(this, tr("Pelta-RX Capture Video and Audio"));
    QWidget* panel = chrome_->Panel();

    MakeLabel(panel, "Label4", tr("Capture File:"), {12, 34, 120, 16});
    edtCaptureFile = MakeControl<QLineEdit>(panel, QStringLiteral("edtCaptureFile"), {12, 52, 300, 22});
    edtCaptureFile->setText(QStringLiteral("c:\\capture.avi"));
    btnBrowse = MakeButton(panel, QStringLiteral("btnBrowse"), tr("Browse..."), {320, 51, 75, 23});

    LblExists = MakeLabel(panel, "LblExists", tr("File Already Exists"), {12, 76, 200, 16});
    SetTextColour(LblExists, QColor(192, 0, 0));

    MakeLabel(panel, "Label3", tr("Free disk space:"), {12, 100, 110, 16});
    lblFreeDiskSpace = MakeLabel(panel, "lblFreeDiskSpace", QStringLiteral("   "), {124, 98, 60, 20});
    lblFreeDiskSpace->setFrameShape(QFrame::Box);
    lblFreeDiskSpace->setAutoFillBackground(true);
    {
        QPalette p = lblFreeDiskSpace->palette();
        p.setColor(QPalette::Window, Qt::white);
        lblFreeDiskSpace->setPalette(p);
    }
    MakeLabel(panel, "Label6", tr("MB"), {188, 100, 30, 16});

    auto* sizeCaption = MakeLabel(panel, "Label4", tr("Capture file &size:"), {12, 126, 110, 16});
    edtCapFileSize = MakeControl<QLineEdit>(panel, QStringLiteral("edtCapFileSize"), {124, 124, 60, 22});
    edtCapFileSize->setText(QStringLiteral("0"));
    sizeCaption->setBuddy(edtCapFileSize);
    MakeLabel(panel, "Label7", tr("MB"), {188, 126, 30, 16});

    auto* modeCaption = MakeLabel(panel, "Label1", tr("&Mode:"), {12, 156, 110, 16});
    cmbMode = MakeControl<QComboBox>(panel, QStringLiteral("cmbMode"), {124, 152, 140, 24});
    cmbMode->setEditable(false);
    modeCaption->setBuddy(cmbMode);

    chkUseTimeLimit = MakeControl<QCheckBox>(panel, QStringLiteral("chkUseTimeLimit"), {12, 186, 18, 18});
    MakeLabel(panel, "Label4", tr("Time Limit:"), {32, 187, 90, 16});
    edtTimeLimit = MakeControl<QLineEdit>(panel, QStringLiteral("edtTimeLimit"), {124, 184, 60, 22});
    MakeLabel(panel, "Label2", tr("sec"), {188, 187, 30, 16});

    chkUseFrameRate = MakeControl<QCheckBox>(panel, QStringLiteral("chkUseFrameRate"), {12, 214, 18, 18});
    MakeLabel(panel, "Label5", tr("Frame Rate:"), {32, 215, 90, 16});
    edtFrameRate = MakeControl<QLineEdit>(panel, QStringLiteral("edtFrameRate"), {124, 212, 60, 22});
    lblFPS = MakeLabel(panel, "lblFPS", tr("f/sec"), {188, 215, 40, 16});

    lblMasterStream = MakeLabel(panel, "lblMasterStream", tr("Master &Stream:"), {12, 244, 110, 16});
    cmbMasterStream = MakeControl<QComboBox>(panel, QStringLiteral("cmbMasterStream"), {124, 240, 100, 24});
    lblMasterStream->setBuddy(cmbMasterStream);

    Frame1 = new QFrame(panel);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(270, 100, 125, 64);
    auto* picture = new QWidget(Frame1);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setGeometry(2, 2, 121, 60);
    // Told as one group of option buttons; the group does not force one to stay chosen.
    picture->setProperty(kRoleProperty, int(QAccessible::Grouping));
    picture->setAccessibleName(tr("File type"));
    auto* typesGroup = new QButtonGroup(picture);
    typesGroup->setExclusive(false);
    const char* types[] = {"AVI", "WAV", "MP3"};
    QFont arial(QStringLiteral("Arial"));
    arial.setStyleHint(QFont::SansSerif);
    for (int i = 0; i < 3; ++i) {
        auto* caption = MakeLabel(picture, "Label4", QString::fromLatin1(types[i]), {8 + i * 40, 6, 32, 16});
        caption->setFont(arial);
        caption->setAlignment(Qt::AlignHCenter);
        Ops[i] = new QRadioButton(picture);
        Ops[i]->setObjectName(QStringLiteral("Ops(%1)").arg(i));
        Ops[i]->setAccessibleName(QString::fromLatin1(types[i]));
        typesGroup->addButton(Ops[i]);  // not exclusive: "no type selected" must be possible
        Ops[i]->setGeometry(16 + i * 40, 28, 18, 18);
        connect(Ops[i], &QRadioButton::clicked, this, [this, i] { SelectOps(i); });
    }

    LblSound = MakeLabel(panel, "LblSound",
                         tr("Wav and MP3 enabled. AVI sound plays in the Windows Media Player."),
                         {12, 268, 390, 28});
    LblSound->setWordWrap(true);
    SetTextColour(LblSound, QColor(0, 128, 0));

    ChkTimeStamp = MakeControl<QCheckBox>(panel, QStringLiteral("ChkTimeStamp"), {12, 298, 18, 18});
    auto* label9 = MakeLabel(panel, "Label9", tr("Add Date Stamp to Name?"), {32, 299, 170, 16});
    label9->setToolTip(tr("Add date to file name. Used for audio capture."));
    ChkAutoName = MakeControl<QCheckBox>(panel, QStringLiteral("ChkAutoName"), {206, 298, 18, 18});
    auto* label8 = MakeLabel(panel, "Label8", tr("Save file type for AutoName?"), {226, 299, 180, 16});
    label8->setToolTip(tr("Used for audio capture."));

    std::tie(btnOK, btnCancel) = MakeOkCancel(panel, {230, 328}, {315, 328});

    SetDiskSpaceTargets(SpaceDialog::CapVidAud, lblFreeDiskSpace, edtCapFileSize);

    for (QLineEdit* box : {edtCapFileSize, edtTimeLimit, edtFrameRate}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &CapVidAudFrm::CheckOKButton);
    }
    connect(edtCaptureFile, &QLineEdit::textChanged, this, &CapVidAudFrm::OnCaptureFileChanged);
    connect(edtCaptureFile, &QLineEdit::editingFinished, this, [this] { SkipFailure([&] { UpdateDiskSpace(CaptureFileText()); }); });
    connect(chkUseTimeLimit, &QCheckBox::toggled, this, &CapVidAudFrm::OnUseTimeLimitClick);
    connect(chkUseFrameRate, &QCheckBox::toggled, this, &CapVidAudFrm::OnUseFrameRateClick);
    connect(cmbMode, &QComboBox::activated, this, &CapVidAudFrm::OnModeClick);
    connect(btnBrowse, &xpcmdbutton::Click, this, &CapVidAudFrm::OnBrowse);
    connect(btnOK, &xpcmdbutton::Click, this, &CapVidAudFrm::OnOK);
    connect(btnCancel, &xpcmdbutton::Click, this, &CapVidAudFrm::OnCancel);
}

void CapVidAudFrm::Load() {
    SkipFailure([&] {
        nSpaceDialog = SpaceDialog::CapVidAud;
        nTargetFormat = engine::OutputFormat::Avi;
        DialogResult = 2;
        CheckOKButton();
    });
    SkipFailure([&] { sCaptureExt = QStringLiteral(".avi"); });
    SkipFailure([&] {
        if (!gSettings) return;
        const SettingsSnapshot prefs(*gSettings, gSection);
        sAutoSaveDir = prefs.Get(QStringLiteral("AutoSaveDir"), QString());
        sExt = prefs.Get(QStringLiteral("Ext"), QStringLiteral(".avi"));
        prefs.ReadBoolean(QStringLiteral("SaveExt"), bSaveExt);
        prefs.ReadBoolean(QStringLiteral("AddTime"), bAddTime);
    });
    SkipFailure([&] {
        ChkTimeStamp->setChecked(bAddTime);
        ChkAutoName->setChecked(bSaveExt);
    });
    SkipFailure([&] {
        if (bAutoName) edtCaptureFile->setText(sAutoSaveDir + QLatin1String(kPlaceholderName) + sExt);
        else edtCaptureFile->setText(QString::fromStdString(engine_.CaptureFileName()));
    });
    SkipFailure([&] {
        // Without a folder the names would point at the filesystem root.
        if (sAutoSaveDir.isEmpty()) return;
        for (const char* ext : {".mp3", ".avi", ".wav"})
            QFile::remove(sAutoSaveDir + QLatin1String(kPlaceholderName) + QLatin1String(ext));
    });
    SkipFailure([&] { UpdateDiskSpace(QString::fromStdString(engine_.CaptureFileName())); });
    SkipFailure([&] {
        QString path = CaptureFileText(), ext, folder;
        SplitPath(path, ext, folder);
        edtCaptureFile->setText(folder + sFileTitle + QStringLiteral(".avi"));
        captureFolder_ = QFileInfo(CaptureFileText()).absolutePath();
    });
    SkipFailure([&] {
        engine_.SetCaptureFileName(CaptureFileText().toStdString());
        engine_.SetOutputFormat(engine::OutputFormat::Avi);
    });
    SkipFailure([&] { LblExists->setVisible(FileExists(CaptureFileText())); });
    SkipFailure([&] { edtTimeLimit->setText(NumberText(engine_.TimeLimitSeconds())); });
    SkipFailure([&] { edtFrameRate->setText(NumberText(engine_.FrameRateValue())); });
    SkipFailure([&] { chkUseTimeLimit->setChecked(engine_.TimeLimitOn()); });
    SkipFailure([&] { chkUseFrameRate->setChecked(engine_.FrameRateOn()); });
    SkipFailure([&] {
        // Each list position maps to the mode actually listed there.
        cmbMode->clear();
        ModeTable_ = {};
        int position = 0;
        const std::pair<int16_t, const char*> modes[] = {
            {engine::CaptureMode::VideoAndAudio, QT_TR_NOOP("Video and Audio")},
            {engine::CaptureMode::VideoOnly, QT_TR_NOOP("Video only")},
            {engine::CaptureMode::AudioOnly, QT_TR_NOOP("Audio only")}};
        for (auto [mode, text] : modes) {
            bool available = false;
            SkipFailure([&] { available = engine_.ModeAvailable(mode); });
            if (!available) continue;
            cmbMode->addItem(tr(text));
            ModeTable_[position++] = mode;
        }
        cmbMode->setCurrentIndex(0);
        OnModeClick();
    });
    SkipFailure([&] {
        cmbMasterStream->clear();
        cmbMasterStream->addItems({tr("None"), tr("Video"), tr("Audio")});
        const int index = engine_.MasterStreamIndex() + 1;
        if (index >= 0 && index < cmbMasterStream->count()) cmbMasterStream->setCurrentIndex(index);
    });
    SkipFailure([&] { ModeChanged(); });
    SkipFailure([&] { btnOK->SetState(1); });
}

QString CapVidAudFrm::CaptureFileText() const { return edtCaptureFile->text().trimmed(); }

bool CapVidAudFrm::CheckCaptureName() {
    QString name = CaptureFileText();
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control) {
            Prompts().Message(this, tr("A file name cannot hold control characters such as line breaks or tabs. "
                                       "Type the name of the capture file again."),
                              ApplicationTitle(), PromptButtons::Ok);
            return false;
        }
    }
    if (name.isEmpty()) return true;
    if (QDir::isRelativePath(name) && !captureFolder_.isEmpty()) name = QDir(captureFolder_).filePath(name);
    // The name's extension tells what the file holds.
    const QString ext = QStringLiteral(".") + QFileInfo(name).suffix().toLower();
    const bool captureKind = ext == QStringLiteral(".avi") || ext == QStringLiteral(".wav") || ext == QStringLiteral(".mp3");
    if (captureKind && ext != sCaptureExt) {
        const QString renamed = name.left(name.size() - ext.size()) + sCaptureExt;
        if (Prompts().Message(this,
                              tr("%1 names a %2 file, but this capture writes a %3 file. Capture into %4 instead?")
                                  .arg(name, ext.mid(1).toUpper(), sCaptureExt.mid(1).toUpper(), renamed),
                              ApplicationTitle(), PromptButtons::YesNo) != PromptAnswer::Yes)
            return false;
        name = renamed;
    }
    if (name != CaptureFileText()) edtCaptureFile->setText(name);
    return true;
}

int64_t CapVidAudFrm::GetSize(const QString& FileName) { return pelta::GetSize(FileName); }

void CapVidAudFrm::CheckOKButton() {
    if (!btnOK) return;
    const bool timeOk =
        !(chkUseTimeLimit->isChecked() && chkUseTimeLimit->isEnabled()) || !edtTimeLimit->text().isEmpty();
    const bool rateOk =
        !(chkUseFrameRate->isChecked() && chkUseFrameRate->isEnabled()) || !edtFrameRate->text().isEmpty();
    btnOK->SetEnabled(timeOk && rateOk);
}

void CapVidAudFrm::ModeChanged() {
    const int position = cmbMode->currentIndex();
    nMode = position >= 0 && position < int(ModeTable_.size()) ? ModeTable_[position] : 0;
    const bool both = nMode == engine::CaptureMode::VideoAndAudio;
    const bool video = both || nMode == engine::CaptureMode::VideoOnly;
    lblMasterStream->setEnabled(both);
    cmbMasterStream->setEnabled(both);
    edtFrameRate->setEnabled(video);
    chkUseFrameRate->setEnabled(video);
    lblFPS->setEnabled(video);
    if (nMode != engine::CaptureMode::AudioOnly) {
        if (!Ops[0]->isChecked()) SelectOps(0);
        Ops[1]->setEnabled(false);
        Ops[2]->setEnabled(false);
        LblSound->setVisible(false);
    } else {
        Ops[0]->setChecked(false);
        Ops[1]->setEnabled(true);
        Ops[2]->setEnabled(true);
        LblSound->setVisible(true);
    }
}

void CapVidAudFrm::OnModeClick() {
    ModeChanged();
    CheckOKButton();
}

void CapVidAudFrm::OnUseTimeLimitClick() {
    edtTimeLimit->setEnabled(chkUseTimeLimit->isChecked());
    CheckOKButton();
}

void CapVidAudFrm::OnUseFrameRateClick() {
    edtFrameRate->setEnabled(chkUseFrameRate->isChecked());
    CheckOKButton();
}

void CapVidAudFrm::OnCaptureFileChanged() {
    SkipFailure([&] { LblExists->setVisible(FileExists(CaptureFileText())); });
    SkipFailure([&] { UpdateDiskSpace(CaptureFileText()); });
}

void CapVidAudFrm::SelectOps(int index) {
    for (int i = 0; i < 3; ++i) Ops[i]->setChecked(i == index);
    OpsClick(index);
}

void CapVidAudFrm::OpsClick(int index) {
    static const char* exts[] = {".avi", ".wav", ".mp3"};
    static const int16_t formats[] = {engine::OutputFormat::Avi, engine::OutputFormat::Wave, engine::OutputFormat::Mp3};
    SkipFailure([&] { ReleaseTarget(engine_); });
    QString path = edtCaptureFile->text(), ext, folder;
    SplitPath(path, ext, folder);
    edtCaptureFile->setText(folder + sFileTitle + QLatin1String(exts[index]));
    sCaptureExt = QLatin1String(exts[index]);
    SkipFailure([&] {
        engine_.SetCaptureFileName(CaptureFileText().toStdString());
        engine_.SetOutputFormat(formats[index]);
    });
    nTargetFormat = formats[index];
    SkipFailure([&] { UpdateDiskSpace(CaptureFileText()); });
    LblExists->setVisible(FileExists(CaptureFileText()));
}

void CapVidAudFrm::OnBrowse() {
    SaveFileRequest request;
    request.Owner = this;
    request.Filter = tr("Microsoft AVI (*.avi);;Microsoft WAV (*.wav);;MP3 (*.mp3)");
    request.DefaultSuffix = QStringLiteral("avi");
    request.ConfirmOverwrite = false;
    BrowseForCaptureFile(engine_, request, edtCaptureFile);
}

void CapVidAudFrm::OnOK() {
    // Both numbers are checked before anything is written, so a refusal changes nothing.
    const bool useRate = chkUseFrameRate->isChecked() && chkUseFrameRate->isEnabled();
    const bool useLimit = chkUseTimeLimit->isChecked();
    double rate = 0, limit = 0;
    bool ok = true;
    if (useRate) {
        rate = ParseNumber(edtFrameRate->text(), &ok);
        if (!ok) {
            Prompts().Message(this, tr("Frame Rate must be a number of frames per second."),
                              ApplicationTitle(), PromptButtons::Ok);
            return;
        }
        if (rate < 0.0 || rate > 30.0) {
            Prompts().Message(this, tr("Choose a value between 0.0 and 30.0 for frame rate"),
                              ApplicationTitle(), PromptButtons::Ok);
            return;
        }
    }
    if (useLimit) {
        limit = ParseNumber(edtTimeLimit->text(), &ok);
        if (!ok) {
            Prompts().Message(this, tr("Time Limit must be a number of seconds."), ApplicationTitle(),
                              PromptButtons::Ok);
            return;
        }
        if (limit <= 0) {
            Prompts().Message(this, tr("Time Limit must be more than 0 seconds; clear its box to capture "
                                       "without a limit."),
                              ApplicationTitle(), PromptButtons::Ok);
            return;
        }
    }
    if (!bAutoName && !CheckCaptureName()) return;
    if (!bAutoName) {
        if (const QString tooLong = PathTooLongText(CaptureFileText()); !tooLong.isEmpty()) {
            Prompts().DetailedMessage(this, tooLong, ApplicationTitle(), CaptureFileText());
            return;
        }
    }
    // An engine that refuses a value is reported, and the dialog stays open.
    try {
        // A name typed without touching the file-type buttons must reach the engine too, or
        // the capture would go to a file the user did not ask for. Automatic names are
        // chosen later, by the Auto Buttons window.
        if (!bAutoName) engine_.SetCaptureFileName(CaptureFileText().toStdString());
        if (useRate) engine_.SetFrameRateValue(rate);
        if (useLimit) engine_.SetTimeLimitSeconds(limit);
    } catch (const std::exception& e) {
        Prompts().Message(this, EngineErrorText(std::string(e.what())), ApplicationTitle(), PromptButtons::Ok);
        return;
    }

    SkipFailure([&] {
        engine_.SetTimeLimitOn(chkUseTimeLimit->isChecked());
        engine_.SetFrameRateOn(chkUseFrameRate->isChecked());
    });
    SkipFailure([&] { engine_.SetMasterStreamIndex(cmbMasterStream->currentIndex() - 1); });
    SkipFailure([&] {
        bool isInt = false;
        const qlonglong mb = edtCapFileSize->text().trimmed().toLongLong(&isInt);
        if (isInt && mb >= std::numeric_limits<int32_t>::min() && mb <= std::numeric_limits<int32_t>::max())
            engine_.ReserveCaptureFile(int32_t(mb));
    });
    SaveSetting(QStringLiteral("AddTime"), BooleanText(ChkTimeStamp->isChecked()));
    if (ChkAutoName->isChecked()) SaveSetting(QStringLiteral("Ext"), sCaptureExt);
    SaveSetting(QStringLiteral("SaveExt"), BooleanText(ChkAutoName->isChecked()));
    DialogResult = 1;
    done(QDialog::Accepted);
}

void CapVidAudFrm::OnCancel() {
    DialogResult = 2;
    SaveSetting(QStringLiteral("SaveExt"), BooleanText(ChkAutoName->isChecked()));
    done(QDialog::Rejected);
}

void CapVidAudFrm::SaveSetting(const QString& key, const QString& value) {
    SkipFailure([&] {
        if (gSettings) gSettings->SaveSetting(gSection, key, value);
    });
}

bool CapVidAudFrm::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == edtCapFileSize || watched == edtTimeLimit || watched == edtFrameRate) && DropsNonDigitKey(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

}  // namespace pelta
