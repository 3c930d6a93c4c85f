// The stored settings: defaults without the group, and reading that stops at the first missing
// or unreadable number.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/settings.h"

namespace tarvok {

namespace {

Settings ReadFrom(const QString& path, const QByteArray& text) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    file.close();
    QSettings store(path, QSettings::IniFormat);
    return ReadSettings(store);
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void readingFollowsTheStoredValues_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("pulseWidth");
        QTest::addColumn<bool>("running");

        QTest::newRow("no group") << QByteArray("[Other]\nPort=1\n") << "localhost" << 49703 << 1
                                  << false;
        QTest::newRow("all values")
            << QByteArray(
                   "[Tarvok]\nHost=lab.example\nPort=5000\nDTR%20Pulsbreite=3\n"
                   "System%20Running=1\n")
            << "lab.example" << 5000 << 3 << true;
        QTest::newRow("without host")
            << QByteArray("[Tarvok]\nPort=5000\nDTR%20Pulsbreite=3\nSystem%20Running=1\n") << ""
            << 5000 << 3 << true;
        QTest::newRow("without port")
            << QByteArray("[Tarvok]\nHost=lab\nDTR%20Pulsbreite=3\nSystem%20Running=1\n") << "lab"
            << 49703 << 1 << false;
        QTest::newRow("port is text")
            << QByteArray("[Tarvok]\nHost=lab\nPort=fast\nDTR%20Pulsbreite=3\n") << "lab" << 49703
            << 1 << false;
        QTest::newRow("port beyond 16 bits")
            << QByteArray("[Tarvok]\nPort=70000\nDTR%20Pulsbreite=3\n") << "" << 49703 << 1
            << false;
        QTest::newRow("running is no number")
            << QByteArray(
                   "[Tarvok]\nHost=lab\nPort=5000\nDTR%20Pulsbreite=3\n"
                   "System%20Running=true\n")
            << "lab" << 5000 << 3 << false;
        QTest::newRow("host is a list")
            << QByteArray("[Tarvok]\nHost=a, b\nPort=5000\n") << "localhost" << 49703 << 1 << false;
    }

    void readingFollowsTheStoredValues() {
        QFETCH(QByteArray, stored);
        QTemporaryDir folder;
        const Settings settings = ReadFrom(folder.filePath("Lentra.conf"), stored);
        QTEST(settings.host, "host");
        QTEST(int{settings.port}, "port");
        QTEST(int{settings.dtrPulseWidth}, "pulseWidth");
        QTEST(settings.systemRunning, "running");
    }

    void writtenSettingsReadBackTheSame() {
        QTemporaryDir folder;
        const QString path = folder.filePath("Lentra.conf");
        Settings written{"remote.lab", 1234, 7, true, {}};
        written.serialPorts.SetDevice(1, "/dev/ttyUSB0");
        {
            QSettings store(path, QSettings::IniFormat);
            WriteSettings(store, written);
        }
        QSettings store(path, QSettings::IniFormat);
        QCOMPARE(ReadSettings(store), written);
        QCOMPARE(store.value("Tarvok/System Running").toString(), QStringLiteral("1"));
        QCOMPARE(store.value("Tarvok/COM2").toString(), QStringLiteral("/dev/ttyUSB0"));
    }

    void serialDevicesAreReadEvenWhenTheOrderedValuesStopEarly() {
        QTemporaryDir folder;
        const Settings settings = ReadFrom(folder.filePath("Lentra.conf"),
                                           "[Tarvok]\nHost=lab\nPort=x\nCOM1=/dev/pts/7\nCOM3=\n");
        QCOMPARE(settings.port, std::uint16_t{49703});
        QCOMPARE(settings.serialPorts.Device(0), QStringLiteral("/dev/pts/7"));
        QCOMPARE(settings.serialPorts.Device(2), QStringLiteral("/dev/ttyS2"));
    }
};

}  // namespace tarvok

QTEST_APPLESS_MAIN(tarvok::SettingsTest)
#include "settings_test.moc"
