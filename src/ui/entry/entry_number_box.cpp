#include "entry/entry_number_box.h"

#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolTip>
#include <QValidator>

#include <algorithm>
#include <cmath>

namespace tallwick::ui {
namespace {

QString WithoutSeparators(QString text) {
    return text.remove(QLatin1Char(','));
}

class NumberValidator : public QValidator {
  public:
    NumberValidator(double maximum, bool decimals, int maxLength, bool separators, QObject* parent)
        : QValidator(parent),
          maximum_(maximum),
          decimals_(decimals),
          maxLength_(maxLength),
          separators_(separators) {}

    State validate(QString& input, int&) const override {
        // Separators only where they group thousands ("1,234" pasted); a typed "1,5" is a
        // decimal comma, never fifteen.
        static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
        if (input.contains(QLatin1Char(',')) && (!separators_ || !grouped.match(input).hasMatch()))
            return Invalid;
        const QString text = WithoutSeparators(input);
        if (text.isEmpty()) return Acceptable;
        if (maxLength_ > 0 && text.size() > maxLength_) return Invalid;
        bool point = false;
        for (const QChar c : text) {
            if (c == QLatin1Char('.') && decimals_ && !point) {
                point = true;
            } else if (!c.isDigit() || c.unicode() > 127) {
                return Invalid;
            }
        }
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (text == QStringLiteral(".")) return Intermediate;
        return ok && value <= maximum_ ? Acceptable : Invalid;
    }

  private:
    double maximum_;
    bool decimals_;
    int maxLength_;
    bool separators_;
};

QString Number(double value) {
    return QString::number(value, 'f', value == std::floor(value) ? 0 : -1);
}

}  // namespace

EntryNumberBox::EntryNumberBox(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    UpdateValidator();
    connect(this, &QLineEdit::inputRejected, this, [this] { TellWhy(); });
}

QString EntryNumberBox::LimitsText() const {
    return QStringLiteral("可输入%1到%2之间的%3")
        .arg(Number(minimum_), Number(maximum_),
             decimals_ ? QStringLiteral("数") : QStringLiteral("整数"));
}

void EntryNumberBox::TellWhy() {
    rejection_ = LimitsText();
    QToolTip::showText(mapToGlobal(QPoint(0, height())), rejection_, this);
}

double EntryNumberBox::value() const {
    const QString text = WithoutSeparators(this->text()).trimmed();
    if (text.isEmpty()) return emptyValue_;
    bool ok = false;
    const double parsed = text.toDouble(&ok);
    return ok ? parsed : emptyValue_;
}

void EntryNumberBox::setValue(double value) {
    const QString text = hasFocus() ? (value == 0 && format_ == Format::Thousands
                                           ? QString()
                                           : WithoutSeparators(Display(value)))
                                    : Display(value);
    if (text != this->text()) setText(text);
}

void EntryNumberBox::setLimits(double minimum, double maximum, int maxLength) {
    minimum_ = minimum;
    maximum_ = maximum;
    maxLength_ = maxLength;
    UpdateValidator();
}

void EntryNumberBox::setDecimals(bool allowed) {
    decimals_ = allowed;
    UpdateValidator();
}

void EntryNumberBox::setFormat(Format format) {
    format_ = format;
    UpdateValidator();
}

void EntryNumberBox::UpdateValidator() {
    delete validator();
    setValidator(
        new NumberValidator(maximum_, decimals_, maxLength_, format_ == Format::Thousands, this));
}

QString EntryNumberBox::Display(double value) const {
    if (!decimals_) value = std::round(value);
    switch (format_) {
        case Format::SixDigits:
            return QStringLiteral("%1").arg(static_cast<qint64>(value), 6, 10, QLatin1Char('0'));
        case Format::Plain:
            return QString::number(value, 'f', decimals_ && value != std::floor(value) ? -1 : 0);
        case Format::Thousands:
        default: {
            if (value == 0) return {};
            QLocale locale(QLocale::C);
            locale.setNumberOptions(QLocale::DefaultNumberOptions);
            if (!decimals_ || value == std::floor(value)) {
                return locale.toString(static_cast<qlonglong>(value));
            }
            return locale.toString(value, 'f', QLocale::FloatingPointShortest);
        }
    }
}

void EntryNumberBox::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool digit = typed.size() == 1 && typed[0].isDigit();
    if (fractionRefused_ && digit) {
        TellWhy();
        event->accept();
        return;
    }
    fractionRefused_ = false;
    static const QString decimalMarks = QStringLiteral(".,。，．");
    const bool decimalMark = typed.size() == 1 && decimalMarks.contains(typed[0]);
    const QString before = text();
    QLineEdit::keyPressEvent(event);
    if (decimalMark && text() == before) fractionRefused_ = true;
}

void EntryNumberBox::focusInEvent(QFocusEvent* event) {
    lastValid_ = text();
    rejection_.clear();
    fractionRefused_ = false;
    // Showing the same value without separators is no edit of the record.
    const QString plain = WithoutSeparators(text());
    if (plain != text()) {
        const QSignalBlocker sameValue(this);
        setText(plain);
    }
    QLineEdit::focusInEvent(event);
}

void EntryNumberBox::focusOutEvent(QFocusEvent* event) {
    if (!text().isEmpty()) {
        const double typed = value();
        if (typed < minimum_ || typed > maximum_) {
            // Below the minimum (the validator refuses above the maximum while typing): the box
            // says why and goes back to the value it had.
            TellWhy();
            setText(lastValid_);
        }
    }
    const QString shown = text().isEmpty() ? QString() : Display(value());
    if (shown != text() && value() == std::clamp(value(), minimum_, maximum_)) {
        const QSignalBlocker sameValue(this);
        setText(shown);
    }
    QLineEdit::focusOutEvent(event);
}

}  // namespace tallwick::ui
