#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "core/types.h"
#include "machine/snapshot.h"
#include "ui/debugger/cell_text.h"

class QGridLayout;
class QLabel;

namespace tarvok {

// One register row of a device window: its name, the address where a separate label gives it,
// and the value in hexadecimal and in binary.
struct RegisterRow {
    QLabel* name = nullptr;
    QLabel* address = nullptr;
    QLabel* hex = nullptr;
    QLabel* binary = nullptr;

    // Bit 7 first, the bits joined by `separator`.
    void Show(Byte value, const QString& separator = {}) const;
    // The row as it reads, its labels joined by "|".
    QString Text() const;
};

// The window of one device (a port, a timer, the serial interface): a fixed window of its own
// beside the main window. Closing it only hides it. While it is shown it follows its device: it
// subscribes to the device's notices, shows the device's state at once and then from every
// frame's snapshot, and acts on the device only through the device's operations.
class DeviceWindow : public QWidget {
    Q_OBJECT

public:
    explicit DeviceWindow(QWidget* parent);

    void setVisible(bool visible) override;

    // Shows what changed in the snapshot of a frame; called only while the window is shown.
    virtual void ShowFrame(const MachineSnapshot& snapshot) = 0;
    // Returns to the look the window has after a system reset, shown or not.
    virtual void ResetView() {}

signals:
    // The window came or went (a minimised window still counts as shown).
    void shownChanged(bool shown);

protected:
    // Subscribes to the device and shows its present state.
    virtual void Attach() = 0;
    virtual void Detach() = 0;
    // Runs before the window closes (from its close box or its menu item).
    virtual void Closing() {}

    void closeEvent(QCloseEvent* event) override;

    // A label in the font of register values, whose digits line up from row to row.
    QLabel* ValueLabel(const QString& text = {});
    // A register row in `line` of `grid`, from column 0: the name (in the font of the values
    // when `alignedName`), the address label if there is one, the values.
    RegisterRow AddRegisterRow(QGridLayout* grid, int line, const QString& name,
                               const std::optional<QString>& address = {},
                               bool alignedName = false);
    // Fixes the window's size to what its layout needs, at least `least`.
    void FixSize(QSize least);
};

// A register value in binary ("00001111", bit 7 first). HexText writes it in hexadecimal.
QString BinaryText(Byte value, const QString& separator = {});

}  // namespace tarvok
