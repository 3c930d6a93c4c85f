// tarvok-cli and the user's files: outputs that would collide, targets that cannot be written,
// reasons in messages, and runs cut short by Ctrl-C.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

namespace fs = std::filesystem;
using test::RunProgram;

constexpr const char* kPiaHeader = "#Px7-Px0  Cx1 Cx2     Zeit";

class CliFilesTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp.Path(name); }
    std::string File(const std::string& name, const std::string& content) const {
        return temp.Write(name, content);
    }
    static std::string Read(const std::string& path) { return test::TempDir::Read(path); }

    test::TempDir temp;
};

TEST_F(CliFilesTest, OutputsThatShareAFileAreRefusedBeforeAnythingRuns) {
    const std::string program = File("prog.hex", ":0104000012E9\n:00000001FF\n");
    const std::string out = Path("out.pia");
    const std::string sameOut = Path(".") + "/out.pia";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Case& c : {
             Case{{"--pia-record", "A", out, "--pia-record", "B", sameOut},
                  "--pia-record and --pia-record both write"},
             Case{{"--sia-record", out, "--save-hex", "0400-0400", sameOut},
                  "--sia-record and --save-hex both write"},
             Case{{"--load", program, "--save-hex", "0400-0400", program},
                  "--save-hex would overwrite '" + program + "', which --load reads"},
             Case{{"--pia-play", "A", program, "--sia-record", program}, "which --pia-play reads"},
         }) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--steps", "10"});
        const auto result = RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_FALSE(fs::exists(out)) << c.message;
        EXPECT_EQ(Read(program), ":0104000012E9\n:00000001FF\n");
    }
}

TEST_F(CliFilesTest, UnwritableTargetsAreRefusedWithTheReasonBeforeTheRun) {
    const std::string locked = File("locked.hex", "keep");
    fs::permissions(locked, fs::perms::owner_read);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Case& c : {
             Case{{"--save-hex", "0400-0400", Path("none/x.hex")},
                  "cannot save to '" + Path("none/x.hex") + "': No such file or directory"},
             Case{{"--save-hex", "0400-0400", locked},
                  "cannot save to '" + locked + "': the file is read-only"},
             Case{{"--pia-record", "B", Path("none/x.pia")},
                  "port B cannot record to '" + Path("none/x.pia") +
                      "': No such file or directory\nBeim Speichern der Datei"},
             Case{{"--sia-record", locked},
                  "the serial port cannot record to '" + locked + "': the file is read-only"},
         }) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--steps", "10"});
        const auto result = RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << "nothing ran";
    }
    EXPECT_EQ(Read(locked), "keep");
    EXPECT_EQ(fs::status(locked).permissions(), fs::perms::owner_read);
}

TEST_F(CliFilesTest, SavedFileKeepsItsMode) {
    const std::string target = File("shared.hex", "old");
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    const auto result = RunProgram(test::CliPath(), {"--save-hex", "0400-0400", target});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Read(target), ":0104000000FB\r\n:00000001FF\r\n");
    EXPECT_EQ(fs::status(target).permissions(), mode);
}

TEST_F(CliFilesTest, PlaybackFailuresKeepTheRealReason) {
    const std::string bad = File("bad.pia", std::string(kPiaHeader) +
                                                "\n00000000   -   -        10\n0000x000   -   -  "
                                                "      10\n");
    const auto parse = RunProgram(test::CliPath(), {"--pia-play", "B", bad});
    EXPECT_EQ(parse.exitCode, 2);
    EXPECT_NE(parse.err.find("port B cannot play '" + bad + "': line 3 is no valid record\n"),
              std::string::npos)
        << parse.err;
    const auto missing = RunProgram(test::CliPath(), {"--sia-play", Path("none.sia")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("'" + Path("none.sia") + "': No such file or directory\n"),
              std::string::npos)
        << missing.err;
}

// Starts tarvok-cli with its standard output on a pipe and its errors discarded.
pid_t StartCli(const std::vector<std::string>& args, int& out) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<std::string> all = {test::CliPath()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    out = fds[0];
    return pid;
}

// Reads what is there within ten seconds; false at the end of the output or on the time-out.
bool ReadSome(int fd, std::string& text) {
    pollfd poll{fd, POLLIN, 0};
    if (::poll(&poll, 1, 10000) <= 0) return false;
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(got));
    return true;
}

// The trace comes out while the run goes on; Ctrl-C ends the run, keeps the recording, and
// exits with 130.
TEST_F(CliFilesTest, TraceStreamsAndCtrlCKeepsTheRecording) {
    const std::string recording = Path("loop.pia");
    int out = -1;
    const pid_t pid =
        StartCli({"--poke", "0400:7CF00220FB", "--poke", "F002:FF", "--poke", "F003:04", "--reg",
                  "PC=0400", "--pia-record", "B", recording, "--cycles", "100000000000", "--trace"},
                 out);
    ASSERT_GT(pid, 0);
    std::string text;
    while (text.find("total=") == std::string::npos && ReadSome(out, text)) {
    }
    EXPECT_NE(text.find("0400  7C F0 02"), std::string::npos) << "a trace line while running";
    ::kill(pid, SIGINT);
    while (ReadSome(out, text)) {
    }
    ::close(out);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(text.find("Stop:      interrupted"), std::string::npos);
    const std::string recorded = Read(recording);
    EXPECT_EQ(recorded.rfind(std::string(kPiaHeader) + "\r\n00000000   -   -", 0), 0u) << recorded;
    EXPECT_GT(std::count(recorded.begin(), recorded.end(), '\n'), 3);
}

}  // namespace
}  // namespace tarvok
