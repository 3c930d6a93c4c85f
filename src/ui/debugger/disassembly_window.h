#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "core/address_decoder.h"
#include "core/symbol_table.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarvok {

// "Speicherfenster (disassembliert)": 2 KB of memory as MC6809 assembly text from a typed start
// address. The listing is built when the window opens, on "&Aktualisieren" and for each newly
// typed address; memory changes do not rebuild it. Without a decoder the listing stays empty.
// With the labels of a loaded program, each labelled address gets a line "LABEL:" before its
// instruction, and jump and branch targets are written as labels.
class DisassemblyWindow : public QWidget {
    Q_OBJECT

public:
    DisassemblyWindow(AddressDecoder* decoder, Address start, QWidget* parent = nullptr);

    Address Start() const { return start_; }
    QLineEdit* StartField() const { return startField_; }
    QPushButton* RefreshButton() const { return refreshButton_; }
    QPlainTextEdit* Listing() const { return listing_; }

    void Rebuild();
    // The labels to show (may be null); rebuilds the listing.
    void SetSymbols(const SymbolTable* symbols);
    // The address of the instruction on the line with the text cursor (a label line: the
    // instruction it names); nothing while the listing is empty.
    std::optional<Address> CursorAddress() const;

private:
    void StartEdited();

    AddressDecoder* decoder_;
    Address start_;
    const SymbolTable* symbols_ = nullptr;
    std::vector<Address> lineAddresses_;
    QLineEdit* startField_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPlainTextEdit* listing_ = nullptr;
};

}  // namespace tarvok
