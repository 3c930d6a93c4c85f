#include "ui/debugger/disassembly_window.h"

#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "disasm/disassembler.h"
#include "ui/debugger/cell_text.h"

namespace tarvok {

namespace {

constexpr int kShownLines = 30;
// The longest line: address, byte column, mnemonic and an indexed operand.
constexpr int kLineCharacters = 48;

}  // namespace

DisassemblyWindow::DisassemblyWindow(AddressDecoder* decoder, Address start, QWidget* parent)
    : QWidget(parent, Qt::Window), decoder_(decoder), start_(start) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Speicherfenster (disassembliert)"));

    auto* bar = new QFrame(this);
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setToolTip(QStringLiteral("Schnellstartleiste"));
    const QString startHint = QStringLiteral("Disassemblierung ab dieser Adresse starten");
    auto* label = new QLabel(QStringLiteral("&Disassembliere 2 KB ab:"), bar);
    label->setToolTip(startHint);
    startField_ = new QLineEdit(bar);
    startField_->setInputMask(kFourHexDigitsMask);
    startField_->setToolTip(startHint);
    startField_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 12);
    label->setBuddy(startField_);
    refreshButton_ = new QPushButton(QStringLiteral("&Aktualisieren"), bar);
    refreshButton_->setToolTip(QStringLiteral("Anzeige aktualisieren"));
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(6, 4, 6, 4);
    barLayout->addWidget(label);
    barLayout->addWidget(startField_);
    barLayout->addWidget(refreshButton_);
    barLayout->addStretch(1);

    listing_ = new QPlainTextEdit(this);
    listing_->setReadOnly(true);
    listing_->setFocusPolicy(Qt::NoFocus);
    listing_->setLineWrapMode(QPlainTextEdit::NoWrap);
    listing_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    listing_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    listing_->setToolTip(QStringLiteral("Ausgabefeld für den disassemblierten Speicherinhalt"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(listing_, 1);

    connect(startField_, &QLineEdit::textEdited, this, &DisassemblyWindow::StartEdited);
    connect(refreshButton_, &QPushButton::clicked, this, &DisassemblyWindow::Rebuild);

    const QFontMetrics listingMetrics(listing_->font());
    resize(listingMetrics.horizontalAdvance(QLatin1Char('0')) * kLineCharacters +
               listing_->verticalScrollBar()->sizeHint().width() + 16,
           listingMetrics.lineSpacing() * kShownLines + bar->sizeHint().height());
    Rebuild();
}

void DisassemblyWindow::Rebuild() {
    listing_->clear();
    // Setting the text is no typing: it does not take a new start address.
    startField_->setText(HexText(start_, 4));
    lineAddresses_.clear();
    if (decoder_ == nullptr) return;
    const auto lines = DisassembleListing(
        [decoder = decoder_](Address address) { return decoder->Read(address, true); }, start_,
        DisasmWindowLast(start_), symbols_);
    QString text;
    for (const ListingLine& line : lines) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromStdString(line.text);
        lineAddresses_.push_back(line.address);
    }
    listing_->setPlainText(text);
}

void DisassemblyWindow::SetSymbols(const SymbolTable* symbols) {
    symbols_ = symbols;
    Rebuild();
}

std::optional<Address> DisassemblyWindow::CursorAddress() const {
    const auto line = static_cast<std::size_t>(listing_->textCursor().blockNumber());
    if (line >= lineAddresses_.size()) return std::nullopt;
    return lineAddresses_[line];
}

void DisassemblyWindow::StartEdited() {
    const auto address = AddressFieldValue(this, *startField_);
    if (!address) return;
    start_ = *address;
    refreshButton_->setFocus();
    Rebuild();
}

}  // namespace tarvok
