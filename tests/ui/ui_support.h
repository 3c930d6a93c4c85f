#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "machine/machine.h"
#include "ui/main_window.h"

namespace tarvok::test {

// A main window on the built-in monitor, independent of any 6809.rom lying around.
inline std::unique_ptr<MainWindow> MakeMainWindow() {
    return std::make_unique<MainWindow>(
        std::make_unique<Machine>(MachineOptions{"6809.rom", /*builtinRomOnly=*/true}));
}

// Answers the modal dialogs that a command opens, in the order they appear: each new modal
// widget goes to the next handler. Handlers run inside the dialog's own event loop.
class ModalDriver : public QObject {
public:
    using Handler = std::function<void(QWidget* modal)>;

    ModalDriver() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &ModalDriver::Poll);
        timer_.start();
    }

    ModalDriver& Then(Handler handler) {
        handlers_.push_back(std::move(handler));
        return *this;
    }
    // Modal widgets for which `ignore` holds (a dialog busy with work of its own) get no handler.
    ModalDriver& Ignore(std::function<bool(QWidget*)> ignore) {
        ignore_ = std::move(ignore);
        return *this;
    }
    bool AllAnswered() const { return handlers_.empty(); }
    // Modal widgets that came when no handler was left; each was closed.
    int Unexpected() const { return unexpected_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || (ignore_ && ignore_(modal))) {
            candidate_ = nullptr;
            return;
        }
        if (modal == last_) {
            // A handler that failed leaves its dialog open: close it rather than hang.
            if (handled_.elapsed() > kPatienceMs) {
                ++unexpected_;
                modal->close();
            }
            return;
        }
        // A dialog counts once it stays on top from one look to the next: one that comes back
        // after a message box waits until that box's own event loop has ended.
        if (modal != candidate_) {
            candidate_ = modal;
            return;
        }
        last_ = modal;
        modal->installEventFilter(this);
        handled_.start();
        if (handlers_.empty()) {
            ++unexpected_;
            modal->close();
            return;
        }
        // Answered from the event loop rather than from this timer, which cannot fire again
        // until it returns: the answer may open the next dialog.
        QTimer::singleShot(0, modal,
                           [modal, handler = std::move(handlers_.front())] { handler(modal); });
        handlers_.pop_front();
    }

    // A dialog that is shown again (they live as long as the window) counts as a new one.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && watched == last_) {
            watched->removeEventFilter(this);
            last_ = nullptr;
        }
        return false;
    }

    static constexpr int kPatienceMs = 5000;

    QTimer timer_;
    QPointer<QWidget> candidate_;
    QPointer<QWidget> last_;
    QElapsedTimer handled_;
    std::deque<Handler> handlers_;
    std::function<bool(QWidget*)> ignore_;
    int unexpected_ = 0;
};

// What a message box said; filled in by AnswerMessageBox.
struct SeenMessage {
    QString caption;
    QString text;
};

// A handler that notes the box's caption and text and presses `button`.
inline ModalDriver::Handler AnswerMessageBox(SeenMessage* seen,
                                             QMessageBox::StandardButton button) {
    return [seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        if (seen != nullptr) *seen = {box->windowTitle(), box->text()};
        box->button(button)->click();
    };
}

// Writes a file for a test; a failure fails the test.
inline void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

inline QByteArray ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Types `path` into the file dialog's name field, as a user may, and presses its accept button.
inline ModalDriver::Handler ChooseFile(const QString& path) {
    return [path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (dialog == nullptr || name == nullptr) {
            modal->close();
            return;
        }
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // public in QDialog, as the button calls it
    };
}

}  // namespace tarvok::test
