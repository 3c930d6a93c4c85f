#include "ui/devices/signal_file_bar.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "ui/dialogs/file_dialog.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

QAction* Button(QToolBar* bar, const char* icon, const char* hint) {
    QAction* action = bar->addAction(
        QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))), QString::fromUtf8(hint));
    action->setToolTip(QString::fromUtf8(hint));
    return action;
}

void ShowFailure(QWidget* parent, const Status& status) {
    // A refusal without a message box (the device is busy) has nothing to tell the user.
    if (!status && !status.Message().caption.empty()) ShowMessageBox(parent, status.Message());
}

}  // namespace

SignalFileBar::SignalFileBar(QWidget* window, const QString& nameFilter, const QString& suffix,
                             Operations operations)
    : QObject(window),
      window_(window),
      nameFilter_(nameFilter),
      suffix_(suffix),
      operations_(std::move(operations)),
      buttons_(new QToolBar(window)),
      statusLine_(new QStatusBar(window)) {
    buttons_->setIconSize(QSize(20, 20));
    buttons_->setMovable(false);
    play_ = Button(buttons_, "signal_play", "Signale aus Datei einspielen");
    record_ = Button(buttons_, "signal_record", "Signale in Datei abspeichern");
    stop_ = Button(buttons_, "signal_stop", "Signalaufzeichnung/-einspielung anhalten");
    statusLine_->setToolTip(QStringLiteral("Statuszeile"));
    statusLine_->setSizeGripEnabled(false);
    connect(play_, &QAction::triggered, this, [this] { Start(true); });
    connect(record_, &QAction::triggered, this, [this] { Start(false); });
    connect(stop_, &QAction::triggered, this, &SignalFileBar::Stop);
    ShowState(false, false);
}

void SignalFileBar::Surround(QLayout* body) {
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(buttons_);
    body->setContentsMargins(10, 0, 10, 0);
    layout->addLayout(body);
    layout->addStretch();
    layout->addWidget(statusLine_);
}

void SignalFileBar::ShowState(bool reading, bool recording) {
    const bool busy = reading || recording;
    play_->setEnabled(!busy);
    record_->setEnabled(!busy);
    stop_->setEnabled(busy);
    const QString text = reading     ? QStringLiteral("Signale werden aus Datei eingespielt...")
                         : recording ? QStringLiteral("Signale werden in Datei abgespeichert...")
                                     : QString();
    if (statusLine_->currentMessage() != text) statusLine_->showMessage(text);
}

bool SignalFileBar::Busy() const {
    return stop_->isEnabled();
}

void SignalFileBar::Start(bool reading) {
    FileDialog*& dialog = reading ? openDialog_ : saveDialog_;
    if (dialog == nullptr) {
        dialog = new FileDialog(reading ? FileDialog::Purpose::Open : FileDialog::Purpose::Save,
                                nameFilter_, suffix_, window_);
    }
    const QString path = dialog->Choose();
    if (path.isEmpty()) return;
    const std::string file = QFile::encodeName(path).toStdString();
    const Status started =
        reading ? operations_.startReading(file) : operations_.startRecording(file);
    if (started) {
        ShowState(reading, !reading);
    } else {
        ShowFailure(window_, started);
    }
}

void SignalFileBar::Stop() {
    const Status stopped = operations_.stop();
    ShowState(false, false);
    ShowFailure(window_, stopped);
}

}  // namespace tarvok
