// "Öffnen..." and "Speichern unter..." driven through their dialogs: good and bad files, the
// save range, and the files the save dialog must not overwrite.
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/dialogs/save_range_dialog.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::AnswerMessageBox;
using test::ChooseFile;
using test::ModalDriver;
using test::ReadText;
using test::SeenMessage;
using test::WriteText;

ModalDriver::Handler EnterRange(const QString& start, const QString& end) {
    return [start, end](QWidget* modal) {
        auto* dialog = qobject_cast<SaveRangeDialog*>(modal);
        if (dialog == nullptr) {
            modal->close();
            return;
        }
        dialog->StartEdit()->setText(start);
        dialog->EndEdit()->setText(end);
        dialog->accept();
    };
}

}  // namespace

class ProgramFilesTest : public QObject {
    Q_OBJECT

private slots:
    void openLoadsAGoodFileAndLeavesMemoryAloneOnABadOne() {
        const auto window = test::MakeMainWindow();
        AddressDecoder& decoder = window->Board().Decoder();
        QTemporaryDir folder;
        const QString good = folder.filePath("good.hex");
        const QString bad = folder.filePath("bad.hex");
        WriteText(good, ":030400001234565D\r\n:00000001FF\r\n");
        // A correct record, then one with a wrong checksum.
        WriteText(bad, ":010500009961\n:0105010077FF\n:00000001FF\n");
        ModalDriver driver;
        SeenMessage seen;

        driver.Then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            QCOMPARE(
                dialog->nameFilters(),
                (QStringList{"Programmdateien (*.hex *.s19 *.s28 *.s37 *.srec *.mot *.sx *.asm)",
                             "Intel Hex-Format (*.hex)",
                             "Motorola S-Record-Format (*.s19 *.s28 *.s37 *.srec *.mot *.sx)",
                             "Assembler-Quelltext (*.asm)"}));
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("hex"));
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            ChooseFile(good)(modal);
        });
        window->Commands().open->trigger();
        QCOMPARE(decoder.Read(0x0400, true), Byte{0x12});
        QCOMPARE(decoder.Read(0x0402, true), Byte{0x56});

        driver.Then(ChooseFile(bad)).Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        window->Commands().open->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Fehler beim Laden!"));
        QCOMPARE(seen.text, "Beim Laden der Datei '" + bad +
                                "' ist ein Fehler aufgetreten: Die Datei hat kein gültiges "
                                "Intel Hex-Format! Der Inhalt des Systemspeichers wurde nicht "
                                "verändert.");
        QCOMPARE(decoder.Read(0x0500, true), Byte{0x00});
        QVERIFY(driver.AllAnswered());
        QCOMPARE(driver.Unexpected(), 0);
    }

    void saveAsWritesTheRangeChosenInTheDialog() {
        const auto window = test::MakeMainWindow();
        AddressDecoder& decoder = window->Board().Decoder();
        for (unsigned i = 0; i <= 0x10; ++i)
            decoder.Write(static_cast<Address>(0x0400 + i), static_cast<Byte>(i));
        QTemporaryDir folder;
        const QString path = folder.filePath("range.hex");
        ModalDriver driver;
        driver.Then(EnterRange("0400", "0410")).Then(ChooseFile(folder.filePath("range")));
        window->Commands().saveAs->trigger();

        QCOMPARE(ReadText(path), QByteArray(":10040000000102030405060708090A0B0C0D0E0F74\r\n"
                                            ":0104100010DB\r\n"
                                            ":00000001FF\r\n"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    void saveAsRefusesAWrongRangeBeforeTheFileDialog() {
        const auto window = test::MakeMainWindow();
        ModalDriver driver;
        SeenMessage seen;
        driver.Then(EnterRange("0500", "04FF")).Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        window->Commands().saveAs->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Fehlerhafte Eingabewerte!"));
        QCOMPARE(seen.text, QStringLiteral("Bei den von Ihnen eingegebenen Werten (0x0500 und "
                                           "0x04FF) handelt es sich nicht um vierstellige "
                                           "Speicheradressen im hexadezimalen Format oder Start- "
                                           "und Endadresse sind vertauscht!"));

        // Letters that are no hex digits pass the edit but not the command.
        driver.Then(EnterRange("04g0", "07FF")).Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        window->Commands().saveAs->trigger();
        QVERIFY(seen.text.contains("(0x04G0 und 0x07FF)"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    // The save writes a new file in place of the old one, which the folder would allow even for
    // a file without write permission: the dialog refuses such a file instead.
    void saveDialogRefusesAReadOnlyFile() {
        const auto window = test::MakeMainWindow();
        QTemporaryDir folder;
        const QString locked = folder.filePath("locked.hex");
        WriteText(locked, "keep me\n");
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup));
        ModalDriver driver;
        SeenMessage seen;
        bool dialogStayedOpen = false;
        driver.Then(EnterRange("0400", "0400"))
            .Then(ChooseFile(locked))
            .Then(AnswerMessageBox(&seen, QMessageBox::Ok))
            .Then([&dialogStayedOpen](QWidget* modal) {
                dialogStayedOpen = qobject_cast<QFileDialog*>(modal) != nullptr;
                modal->close();
            });
        window->Commands().saveAs->trigger();

        QCOMPARE(seen.text, QStringLiteral("'locked.hex' ist schreibgeschützt.\nBitte wählen Sie "
                                           "einen anderen Dateinamen."));
        QVERIFY(dialogStayedOpen);
        QCOMPARE(ReadText(locked), QByteArray("keep me\n"));
        QCOMPARE(driver.Unexpected(), 0);
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::ProgramFilesTest)
#include "program_files_test.moc"
