// The PC keyboard onto the keypad, and the faces of the on-screen keys.
#include <QtTest>

#include "ui/keypad_keys.h"
#include "ui/status_texts.h"

namespace tarvok {

class KeypadKeysTest : public QObject {
    Q_OBJECT

private slots:
    void pressGivesDataKeysWithoutCtrl() {
        using K = KeypadKey;
        QCOMPARE(KeypadKeyForPress(Qt::Key_0, Qt::NoModifier), K::Data0);
        QCOMPARE(KeypadKeyForPress(Qt::Key_9, Qt::KeypadModifier), K::Data9);
        QCOMPARE(KeypadKeyForPress(Qt::Key_A, Qt::NoModifier), K::DataA);
        QCOMPARE(KeypadKeyForPress(Qt::Key_F, Qt::ShiftModifier), K::DataF);
        QCOMPARE(KeypadKeyForPress(Qt::Key_G, Qt::NoModifier), std::nullopt);  // G needs Ctrl
        QCOMPARE(KeypadKeyForPress(Qt::Key_5, Qt::ControlModifier), std::nullopt);
    }

    void pressWithCtrlGivesFunctionAndSpecialKeys() {
        using K = KeypadKey;
        const std::pair<int, K> withCtrl[] = {
            {Qt::Key_A, K::FnAddress},     {Qt::Key_C, K::Clear},
            {Qt::Key_D, K::FnData},        {Qt::Key_G, K::Go},
            {Qt::Key_L, K::Load},          {Qt::Key_R, K::Register},
            {Qt::Key_S, K::Save},          {Qt::Key_T, K::Trace},
            {Qt::Key_Plus, K::Increment},  {Qt::Key_Equal, K::Increment},
            {Qt::Key_Minus, K::Decrement}, {Qt::Key_F1, K::Insert},
            {Qt::Key_F2, K::Delete},       {Qt::Key_F3, K::Dump},
            {Qt::Key_F4, K::Break}};
        for (const auto& [qtKey, key] : withCtrl)
            QCOMPARE(KeypadKeyForPress(qtKey, Qt::ControlModifier), key);
        QCOMPARE(KeypadKeyForPress(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier),
                 K::Increment);
        QCOMPARE(KeypadKeyForPress(Qt::Key_B, Qt::ControlModifier), std::nullopt);
    }

    void altIgnoresPressAndRelease() {
        QCOMPARE(KeypadKeyForPress(Qt::Key_1, Qt::AltModifier), std::nullopt);
        QCOMPARE(KeypadKeyForPress(Qt::Key_A, Qt::ControlModifier | Qt::AltModifier), std::nullopt);
        QVERIFY(KeypadKeysForRelease(Qt::Key_1, Qt::AltModifier).empty());
    }

    void releaseLetsGoEveryKeyOfThatPcKey() {
        using K = KeypadKey;
        using List = std::vector<K>;
        QCOMPARE(KeypadKeysForRelease(Qt::Key_A, Qt::NoModifier), (List{K::DataA, K::FnAddress}));
        QCOMPARE(KeypadKeysForRelease(Qt::Key_A, Qt::ControlModifier),
                 (List{K::DataA, K::FnAddress}));
        QCOMPARE(KeypadKeysForRelease(Qt::Key_C, Qt::NoModifier), (List{K::DataC, K::Clear}));
        QCOMPARE(KeypadKeysForRelease(Qt::Key_D, Qt::NoModifier), (List{K::DataD, K::FnData}));
        QCOMPARE(KeypadKeysForRelease(Qt::Key_B, Qt::NoModifier), List{K::DataB});
        QCOMPARE(KeypadKeysForRelease(Qt::Key_5, Qt::KeypadModifier), List{K::Data5});
        QCOMPARE(KeypadKeysForRelease(Qt::Key_Equal, Qt::NoModifier), List{K::Increment});
        QCOMPARE(KeypadKeysForRelease(Qt::Key_Minus, Qt::NoModifier), List{K::Decrement});
        QCOMPARE(KeypadKeysForRelease(Qt::Key_F4, Qt::NoModifier), List{K::Break});
        QCOMPARE(KeypadKeysForRelease(Qt::Key_T, Qt::NoModifier), List{K::Trace});
        QVERIFY(KeypadKeysForRelease(Qt::Key_Z, Qt::NoModifier).empty());
    }

    void facesNameAndColourEveryKind() {
        int data = 0, function = 0, special = 0;
        for (int i = 0; i < kKeypadKeyCount; ++i) {
            const auto key = static_cast<KeypadKey>(i);
            const KeypadKeyKind kind = KindOf(key);
            data += kind == KeypadKeyKind::DataKey;
            function += kind == KeypadKeyKind::FunctionKey;
            special += kind == KeypadKeyKind::SpecialKey;
            QCOMPARE(KeypadKeyCell(key).inMatrix, kind != KeypadKeyKind::SpecialKey);
            QCOMPARE(MeaningOf(key).isEmpty(), kind == KeypadKeyKind::DataKey);
        }
        QCOMPARE(data, 16);
        QCOMPARE(function, 12);
        QCOMPARE(special, 2);
        QCOMPARE(CaptionOf(KeypadKey::Insert), QStringLiteral("F1"));
        QCOMPARE(MeaningOf(KeypadKey::Insert), QStringLiteral("Insert"));
        QCOMPARE(KindName(KeypadKeyKind::FunctionKey), QStringLiteral("Funktionstaste"));
        QCOMPARE(HintOf(KeypadKey::Trace),
                 QStringLiteral("Funktionstaste Trace (PC-Taste Strg+T)"));
        QCOMPARE(HintOf(KeypadKey::Data5), QStringLiteral("Datentaste 5 (PC-Taste 5)"));
        QCOMPARE(HintOf(KeypadKey::Clear), QStringLiteral("Spezialtaste Clear (PC-Taste Strg+C)"));
        QCOMPARE(FaceColor(KeypadKey::DataA), QColor(0xC0, 0xC0, 0xC0));
        QCOMPARE(FaceColor(KeypadKey::Go), QColor(0x80, 0x80, 0x80));
        QCOMPARE(FaceColor(KeypadKey::Break), QColor(0x00, 0x80, 0x80));
        QCOMPARE(FaceColor(KeypadKey::Clear), QColor(0xFF, 0x00, 0x00));
    }

    void statusTextsFollowTheMachine() {
        QCOMPARE(RunStateText(false), QStringLiteral("System angehalten..."));
        QCOMPARE(RunStateText(true), QStringLiteral("System gestartet..."));
        QCOMPARE(CycleCounterText(false, 2), QStringLiteral("Taktzähler: aus"));
        QCOMPARE(CycleCounterText(true, 2), QStringLiteral("Taktzähler: 2"));
    }
};

}  // namespace tarvok

QTEST_APPLESS_MAIN(tarvok::KeypadKeysTest)
#include "keypad_keys_test.moc"
