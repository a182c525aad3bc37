#pragma once
// The font dialog: name, size, colour and the four style bits.

#include <optional>

#include "platform/font_setting.h"
#include "platform/form.h"

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class FontDialog : public Form {
    Q_OBJECT

public:
    explicit FontDialog(QWidget* parent = nullptr);

    void SetSpec(const FontSpec& chosen);
    FontSpec Spec() const;

    QFontComboBox* FontName;
    QSpinBox* FontSize;
    QComboBox* FontColor;
    QCheckBox* Bold;
    QCheckBox* Italic;
    QCheckBox* Underline;
    QCheckBox* StrikeOut;
    QLabel* Sample;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void UpdateSample();
};

// Shows the font dialog starting from the font given; the chosen font, or nothing when
// cancelled.
std::optional<FontSpec> ChooseFont(const FontSpec& start);
