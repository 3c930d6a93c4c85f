#pragma once

// A pseudo-terminal pair standing in for a serial line: the slave is the host's "serial port",
// the master the far end. The pair keeps a slave descriptor of its own open, so that the master
// sees no hang-up when the program under test closes the port, and so that tests can read the
// line settings the program gave the port.

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QString>

namespace tarvok::test {

class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        const char* name = ::ptsname(master_);
        if (name == nullptr) return;
        slavePath_ = QString::fromLocal8Bit(name);
        slave_ = ::open(name, O_RDWR | O_NOCTTY);
        termios line{};
        if (slave_ < 0 || ::tcgetattr(slave_, &line) != 0) return;
        ::cfmakeraw(&line);  // no echo, no line editing before the program sets the port up
        ok_ = ::tcsetattr(slave_, TCSANOW, &line) == 0;
    }
    ~PseudoTerminal() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Ok() const { return ok_; }
    int Master() const { return master_; }
    int Slave() const { return slave_; }
    const QString& SlavePath() const { return slavePath_; }

    termios SlaveLine() const {
        termios line{};
        ::tcgetattr(slave_, &line);
        return line;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    bool ok_ = false;
};

}  // namespace tarvok::test
