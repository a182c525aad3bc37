#include "platform/application.h"
#include "platform/font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace {

// The colours a font can be given, as the records store them (0x00BBGGRR).
const std::array<std::pair<const char*, int32_t>, 16> kColors = {{
    {"Black", 0x000000},
    {"Maroon", 0x000080},
    {"Green", 0x008000},
    {"Olive", 0x008080},
    {"Navy", 0x800000},
    {"Purple", 0x800080},
    {"Teal", 0x808000},
    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},
    {"Lime", 0x00FF00},
    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},
    {"Fuchsia", 0xFF00FF},
    {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF},
}};

QCheckBox* StyleBox(QWidget* owner, const char* caption, const char* name) {
    auto* box = new QCheckBox(caption, owner);
    box->setObjectName(name);
    return box;
}

}  // namespace

FontDialog::FontDialog(QWidget* parent) : Form(parent) {
    setObjectName("FontDialog");
    setWindowTitle("Font");

    FontName = new QFontComboBox(this);
    FontName->setObjectName("FontName");
    FontSize = new QSpinBox(this);
    FontSize->setObjectName("FontSize");
    FontSize->setRange(1, 144);
    FontColor = new QComboBox(this);
    FontColor->setObjectName("FontColor");
    for (const auto& [name, ref] : kColors) {
        QPixmap swatch(16, 16);
        swatch.fill(ColorFromRef(ref));
        FontColor->addItem(QIcon(swatch), name, ref);
    }
    Bold = StyleBox(this, "&Bold", "Bold");
    Italic = StyleBox(this, "&Italic", "Italic");
    Underline = StyleBox(this, "&Underline", "Underline");
    StrikeOut = StyleBox(this, "Stri&keout", "StrikeOut");
    Sample = new QLabel("AaBbYyZz", this);
    Sample->setObjectName("Sample");
    Sample->setMinimumHeight(60);
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setFrameShape(QFrame::StyledPanel);

    auto* fields = new QFormLayout;
    fields->addRow("&Font:", FontName);
    fields->addRow("&Size:", FontSize);
    fields->addRow("&Colour:", FontColor);
    auto* styles = new QHBoxLayout;
    for (QCheckBox* box : {Bold, Italic, Underline, StrikeOut}) styles->addWidget(box);
    fields->addRow("Style:", styles);

    OKBtn = new QPushButton("&OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    SetButtonResult(OKBtn, Modal::Ok);
    SetButtonResult(CancelBtn, Modal::Cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(Sample);
    layout->addLayout(buttons);

    connect(FontName, &QFontComboBox::currentFontChanged, this, Guarded([this] { UpdateSample(); }));
    connect(FontSize, &QSpinBox::valueChanged, this, Guarded([this] { UpdateSample(); }));
    connect(FontColor, &QComboBox::currentIndexChanged, this, Guarded([this] { UpdateSample(); }));
    for (QCheckBox* box : {Bold, Italic, Underline, StrikeOut})
        connect(box, &QCheckBox::toggled, this, Guarded([this] { UpdateSample(); }));
}

void FontDialog::SetSpec(const FontSpec& chosen) {
    FontName->setCurrentFont(QFont(chosen.name));
    // The stored name is kept even when the desktop shows another family for it.
    FontName->setEditText(chosen.name);
    FontSize->setValue(chosen.size > 0 ? chosen.size : 10);
    int colorIndex = FontColor->findData(chosen.color);
    if (colorIndex < 0) {
        // A colour outside the list is kept as it is, as a custom entry.
        FontColor->addItem("Custom", chosen.color);
        colorIndex = FontColor->count() - 1;
    }
    FontColor->setCurrentIndex(colorIndex);
    Bold->setChecked(chosen.style & FontStyle::Bold);
    Italic->setChecked(chosen.style & FontStyle::Italic);
    Underline->setChecked(chosen.style & FontStyle::Underline);
    StrikeOut->setChecked(chosen.style & FontStyle::StrikeOut);
    UpdateSample();
}

FontSpec FontDialog::Spec() const {
    FontSpec chosen;
    chosen.name = FontName->currentText();
    chosen.size = FontSize->value();
    chosen.color = FontColor->currentData().toInt();
    chosen.style = static_cast<uint8_t>((Bold->isChecked() ? FontStyle::Bold : 0) |
                                      (Italic->isChecked() ? FontStyle::Italic : 0) |
                                      (Underline->isChecked() ? FontStyle::Underline : 0) |
                                      (StrikeOut->isChecked() ? FontStyle::StrikeOut : 0));
    return chosen;
}

void FontDialog::UpdateSample() {
    const FontSpec chosen = Spec();
    Sample->setFont(ToQFont(chosen));
    QPalette palette = Sample->palette();
    palette.setColor(QPalette::WindowText, ColorFromRef(chosen.color));
    Sample->setPalette(palette);
}

std::optional<FontSpec> ChooseFont(const FontSpec& start) {
    FontDialog dialog;
    dialog.SetSpec(start);
    if (dialog.ShowModal() != Modal::Ok) return std::nullopt;
    return dialog.Spec();
}
