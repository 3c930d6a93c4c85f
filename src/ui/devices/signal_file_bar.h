#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "core/status.h"

class QAction;
class QLayout;
class QStatusBar;
class QToolBar;
class QWidget;

namespace tarvok {

class FileDialog;

// The signal-file controls of a device window: the buttons "Signale aus Datei einspielen",
// "Signale in Datei abspeichern" and "Signalaufzeichnung/-einspielung anhalten", the file
// dialogs behind them and the status bar that says what is going on. The device does the work;
// a failure shows the device's message box.
class SignalFileBar : public QObject {
    Q_OBJECT

public:
    // The device's signal-file operations.
    struct Operations {
        std::function<Status(const std::string& file)> startReading;
        std::function<Status(const std::string& file)> startRecording;
        std::function<Status()> stop;
    };

    // `nameFilter` and `suffix` name the files of this kind ("... (*.pia)", "pia").
    SignalFileBar(QWidget* window, const QString& nameFilter, const QString& suffix,
                  Operations operations);

    // Lays out the window: the buttons at the top, then `body`, the status line at the bottom.
    void Surround(QLayout* body);

    QStatusBar* StatusLine() const { return statusLine_; }
    QAction* PlayButton() const { return play_; }
    QAction* RecordButton() const { return record_; }
    QAction* StopButton() const { return stop_; }

    // Shows what the device is doing: playing a file back, recording one, or neither.
    void ShowState(bool reading, bool recording);
    // True while the stop button is offered.
    bool Busy() const;
    // What the stop button does: ends playback or recording; a recording that cannot be
    // written shows its message box.
    void Stop();

private:
    // Asks for a file and starts playing it back (`reading`) or recording into it.
    void Start(bool reading);

    QWidget* window_;
    QString nameFilter_;
    QString suffix_;
    Operations operations_;
    QToolBar* buttons_;
    QStatusBar* statusLine_;
    QAction* play_;
    QAction* record_;
    QAction* stop_;
    // Made when first needed (a file dialog reads its folder as soon as it exists) and kept, so
    // that each stays in the folder last used.
    FileDialog* openDialog_ = nullptr;
    FileDialog* saveDialog_ = nullptr;
};

}  // namespace tarvok
