// tarvok: the simulator with its main window.
//   tarvok [--rom FILE] [PROGRAM.hex]
//   tarvok --screenshot FILE.png [--window NAME] [--cycles N] [--keys "SEQ"] [--rom FILE]
//          [PROGRAM.hex]
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLibraryInfo>
#include <QPixmap>
#include <QSaveFile>
#include <QSettings>
#include <QTranslator>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "machine/key_script.h"
#include "machine/machine.h"
#include "machine/program_file.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"
#include "ui/message_boxes.h"
#include "ui/settings.h"

namespace {

using namespace tarvok;

constexpr std::uint64_t kDefaultScreenshotCycles = 300000;
constexpr std::uint64_t kKeyCycles = 20000;  // each key held that long, as tarvok-cli does

struct Arguments {
    QString romFile;
    QString program;
    QString screenshot;
    QString window;  // the window to picture instead of the main window
    std::uint64_t cycles = kDefaultScreenshotCycles;
    std::vector<KeypadKey> keys;
    bool help = false;
};

int Fail(const QString& message) {
    std::fprintf(stderr, "tarvok: %s\n", message.toLocal8Bit().constData());
    return 2;
}

// Reads the command line; on a usage error prints why and returns nullopt.
std::optional<Arguments> ParseArguments(const QStringList& argv) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulator des Praktikumsrechners mit MC6809."));
    parser.addHelpOption();
    const QCommandLineOption rom(QStringLiteral("rom"),
                                 QStringLiteral("ROM-Abbild des Monitors (sonst 6809.rom im "
                                                "aktuellen Ordner, sonst der eingebaute)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("System laufen lassen, ein Bild des Hauptfensters speichern, beenden."),
        QStringLiteral("FILE.png"));
    const QCommandLineOption cycles(QStringLiteral("cycles"),
                                    QStringLiteral("Takte bis zum Bild (Vorgabe 300000)."),
                                    QStringLiteral("N"));
    const QCommandLineOption keys(
        QStringLiteral("keys"),
        QStringLiteral("Tasten, die währenddessen gedrückt werden, wie bei tarvok-cli "
                       "(\"^A 0 4 0 0 ^G\")."),
        QStringLiteral("SEQ"));
    const QCommandLineOption window(
        QStringLiteral("window"),
        QStringLiteral("Statt des Hauptfensters dieses Fenster zeigen und abbilden: porta, portb, "
                       "acia, timer1, timer2, timer3, cpu, disasm, memory."),
        QStringLiteral("NAME"));
    parser.addOptions({rom, screenshot, window, cycles, keys});
    parser.addPositionalArgument(QStringLiteral("PROGRAM.hex"),
                                 QStringLiteral("Intel-HEX-Programm, das beim Start geladen wird."),
                                 QStringLiteral("[PROGRAM.hex]"));

    const auto usageError = [&parser](const QString& why) -> std::optional<Arguments> {
        Fail(why + QLatin1Char('\n') + parser.helpText());
        return std::nullopt;
    };
    if (!parser.parse(argv)) return usageError(parser.errorText());
    Arguments args;
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        args.help = true;
        return args;
    }
    args.romFile = parser.value(rom);
    args.screenshot = parser.value(screenshot);
    args.window = parser.value(window);
    if (args.screenshot.isEmpty() &&
        (parser.isSet(cycles) || parser.isSet(keys) || parser.isSet(window)))
        return usageError(QStringLiteral("--cycles, --keys und --window gehören zu --screenshot."));
    if (parser.isSet(cycles)) {
        bool ok = false;
        args.cycles = parser.value(cycles).toULongLong(&ok);
        if (!ok) return usageError(QStringLiteral("--cycles erwartet eine Anzahl Takte."));
    }
    for (const QString& token : parser.value(keys).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto key = ParseKeyToken(token.toStdString());
        if (!key) return usageError(QStringLiteral("Unbekannte Taste '%1' in --keys.").arg(token));
        args.keys.push_back(*key);
    }
    const QStringList programs = parser.positionalArguments();
    if (programs.size() > 1) return usageError(QStringLiteral("Nur eine Programmdatei, bitte."));
    if (!programs.isEmpty()) args.program = programs.constFirst();
    return args;
}

void InstallGermanQtTexts(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

// The menu item that shows the window of that name, or null.
QAction* WindowItem(const MainCommands& c, const QString& name) {
    const std::pair<const char*, QAction*> items[] = {{"porta", c.portA},
                                                      {"portb", c.portB},
                                                      {"acia", c.aciaWindow},
                                                      {"timer1", c.timer1},
                                                      {"timer2", c.timer2},
                                                      {"timer3", c.timer3},
                                                      {"cpu", c.cpuWindow},
                                                      {"disasm", c.memoryWindowItems.value(0)},
                                                      {"memory", c.memoryWindowItems.value(1)}};
    for (const auto& [itemName, item] : items) {
        if (name == QLatin1String(itemName)) return item;
    }
    return nullptr;
}

// Shows the window of that name through its menu item and returns it, or null.
QWidget* OpenWindow(MainWindow& window, const QString& name) {
    QAction* item = WindowItem(window.Commands(), name);
    if (!item) return nullptr;
    const QWidgetList before = QApplication::topLevelWidgets();
    item->trigger();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != &window && widget->isVisible() && !before.contains(widget)) return widget;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != &window && widget->isVisible()) return widget;
    }
    return nullptr;
}

// Runs the system for the given cycles with the keys played in, then saves the picture of the
// main window or of the window asked for, which is open while the system runs.
int SaveScreenshot(MainWindow& window, const Arguments& args) {
    window.show();
    QWidget* pictured = &window;
    if (!args.window.isEmpty()) {
        pictured = OpenWindow(window, args.window);
        if (!pictured) return Fail(QStringLiteral("Unbekanntes Fenster '%1'.").arg(args.window));
    }
    Machine& machine = window.Board();
    machine.SetSystemRunning(true);
    KeyFeeder feeder(args.keys, kKeyCycles, machine.TotalCycles());
    const std::uint64_t start = machine.TotalCycles();
    while (machine.TotalCycles() - start < args.cycles) {
        feeder.Advance(machine);
        machine.Step();
    }
    window.RefreshNow();
    QApplication::processEvents();
    const QPixmap picture = pictured->grab();

    QSaveFile file(args.screenshot);
    QImageWriter writer(&file, QFileInfo(args.screenshot).suffix().toLatin1());
    if (writer.format().isEmpty()) writer.setFormat("png");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(picture.toImage()) || !file.commit()) {
        Fail(QStringLiteral("Das Bild '%1' kann nicht geschrieben werden: %2")
                 .arg(args.screenshot, writer.error() != QImageWriter::UnknownError
                                           ? writer.errorString()
                                           : file.errorString()));
        return 1;
    }
    return 0;
}

// A picture or the usage text needs no screen.
bool NeedsNoScreen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--screenshot", 12) == 0 || std::strcmp(argv[i], "--help") == 0 ||
            std::strcmp(argv[i], "-h") == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Draw offscreen when nothing is shown, unless a platform was chosen.
    if (NeedsNoScreen(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvok"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    InstallGermanQtTexts(app);

    const auto args = ParseArguments(QApplication::arguments());
    if (!args) return 2;
    if (args->help) return 0;

    MachineOptions options;
    if (!args->romFile.isEmpty()) {
        if (!QFileInfo(args->romFile).isFile())
            return Fail(QStringLiteral("Das ROM-Abbild '%1' kann nicht gelesen werden.")
                            .arg(args->romFile));
        options.romFile = QFile::encodeName(args->romFile).toStdString();
    }
    auto machine = std::make_unique<Machine>(options);
    if (!args->romFile.isEmpty() && !machine->Rom().FileStatus()) {
        return Fail(
            QStringLiteral("Das ROM-Abbild '%1' kann nicht gelesen werden: %2")
                .arg(args->romFile, QString::fromStdString(machine->Rom().FileStatus().Reason())));
    }
    Status loaded;
    const bool source = args->program.endsWith(QStringLiteral(".asm"), Qt::CaseInsensitive);
    if (!args->program.isEmpty() && !source) {
        loaded =
            LoadProgramFile(machine->Decoder(), QFile::encodeName(args->program).toStdString());
        if (!loaded && !args->screenshot.isEmpty())
            return Fail(QString::fromStdString(loaded.Message().text));
    }

    MainWindow window(std::move(machine));
    // A source is assembled, with its errors in the output field; a program file brings the
    // labels of its symbol file.
    if (source) window.OpenProgram(args->program);
    if (!args->program.isEmpty() && !source && loaded) window.UseSymbolsOf(args->program);
    if (!args->screenshot.isEmpty()) return SaveScreenshot(window, *args);

    QSettings store{QString::fromLatin1(kSettingsOrganisation),
                    QString::fromLatin1(kSettingsApplication)};
    window.ApplySettings(ReadSettings(store));
    window.show();
    if (!loaded) ShowMessageBox(&window, loaded.Message());
    const int exitCode = QApplication::exec();
    WriteSettings(store, window.CurrentSettings());
    return exitCode;
}
