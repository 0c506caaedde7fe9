#pragma once

#include <QLineEdit>

namespace tallwick::ui {

// A numeric entry box of the survey form. It holds digits (and a decimal point when decimals
// are allowed), refuses values above its maximum while typing, and shows its value in its
// display format whenever it does not have the focus.
class EntryNumberBox : public QLineEdit {
    Q_OBJECT
  public:
    enum class Format {
        Plain,      // "#": plain digits
        Thousands,  // ",#": thousands separators, 0 shows as an empty box
        SixDigits,  // "000000": zero-padded region codes
    };

    explicit EntryNumberBox(QWidget* parent = nullptr);

    // The value; an empty box counts as the empty value.
    double value() const;
    void setValue(double value);

    // The length limit counts the characters typed, not the separators shown; 0 for none.
    void setLimits(double minimum, double maximum, int maxLength);
    int maxTypedLength() const { return maxLength_; }
    void setDecimals(bool allowed);
    void setEmptyValue(double value) { emptyValue_ = value; }
    void setFormat(Format format);

    double maximum() const { return maximum_; }
    bool decimals() const { return decimals_; }
    // Why the last typed value was refused (also shown as a tool tip), empty when it was not.
    QString rejection() const { return rejection_; }

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString Display(double value) const;
    void UpdateValidator();
    QString LimitsText() const;
    void TellWhy();

    double minimum_ = 0;
    double maximum_ = 99999999;
    int maxLength_ = 0;
    double emptyValue_ = 0;
    bool decimals_ = false;
    Format format_ = Format::Thousands;
    QString lastValid_;  // the text when the box took the focus
    QString rejection_;
    // A decimal mark was refused: the digits typed right after it are its fraction, not more
    // of the whole number, and are refused too until another key ends the number.
    bool fractionRefused_ = false;
};

}  // namespace tallwick::ui
