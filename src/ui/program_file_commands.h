#pragma once

class QWidget;

namespace tarvok {

class AddressDecoder;
class ProgramFileDialog;
class SaveRangeDialog;

// "Öffnen...": asks for an Intel HEX file and loads it through the bus. A file that cannot be
// read or is not valid changes nothing in memory and gets its message box.
void OpenProgramFile(QWidget* parent, ProgramFileDialog& fileDialog, AddressDecoder& decoder);

// "Speichern unter...": asks for the range, then for the file, and writes the range with
// inspection reads. A wrong range ends the command before the file dialog.
void SaveProgramFileAs(QWidget* parent, SaveRangeDialog& rangeDialog, ProgramFileDialog& fileDialog,
                       AddressDecoder& decoder);

}  // namespace tarvok
