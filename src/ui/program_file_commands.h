#pragma once

#include <QString>

class QWidget;

namespace tarvok {

class AddressDecoder;
class ProgramFileDialog;
class SaveRangeDialog;
class SymbolTable;

// "Öffnen...": asks for a program file and loads it through the bus. A file that cannot be read
// or is not valid changes nothing in memory and gets its message box. The labels of the symbol
// file beside it replace `symbols` (no symbol file: no labels). An assembler source (".asm") is
// assembled: its errors go to the output field with their line numbers and change nothing;
// otherwise its bytes and labels are loaded. True when `symbols` changed.
bool OpenProgramFile(QWidget* parent, ProgramFileDialog& fileDialog, AddressDecoder& decoder,
                     SymbolTable& symbols);
// The same for a file given by its path.
bool LoadProgramOrSource(QWidget* parent, const QString& path, AddressDecoder& decoder,
                         SymbolTable& symbols);

// "Speichern unter...": asks for the range, then for the file, and writes the range with
// inspection reads. A wrong range ends the command before the file dialog.
void SaveProgramFileAs(QWidget* parent, SaveRangeDialog& rangeDialog, ProgramFileDialog& fileDialog,
                       AddressDecoder& decoder);

}  // namespace tarvok
