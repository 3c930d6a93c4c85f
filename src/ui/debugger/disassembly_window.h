#pragma once

#include <QWidget>

#include "core/address_decoder.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarvok {

// "Speicherfenster (disassembliert)": 2 KB of memory as MC6809 assembly text from a typed start
// address. The listing is built when the window opens, on "&Aktualisieren" and for each newly
// typed address; memory changes do not rebuild it. Without a decoder the listing stays empty.
class DisassemblyWindow : public QWidget {
    Q_OBJECT

public:
    DisassemblyWindow(AddressDecoder* decoder, Address start, QWidget* parent = nullptr);

    Address Start() const { return start_; }
    QLineEdit* StartField() const { return startField_; }
    QPushButton* RefreshButton() const { return refreshButton_; }
    QPlainTextEdit* Listing() const { return listing_; }

    void Rebuild();

private:
    void StartEdited();

    AddressDecoder* decoder_;
    Address start_;
    QLineEdit* startField_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPlainTextEdit* listing_ = nullptr;
};

}  // namespace tarvok
