#include "entry/entry_number_box.h"

#include <QLocale>
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
    NumberValidator(double maximum, bool decimals, int maxLength, QObject* parent)
        : QValidator(parent), maximum_(maximum), decimals_(decimals), maxLength_(maxLength) {}

    State validate(QString& input, int&) const override {
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
};

}  // namespace

EntryNumberBox::EntryNumberBox(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    UpdateValidator();
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

void EntryNumberBox::UpdateValidator() {
    delete validator();
    setValidator(new NumberValidator(maximum_, decimals_, maxLength_, this));
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

void EntryNumberBox::focusInEvent(QFocusEvent* event) {
    const QString plain = WithoutSeparators(text());
    if (plain != text()) setText(plain);
    QLineEdit::focusInEvent(event);
}

void EntryNumberBox::focusOutEvent(QFocusEvent* event) {
    // A value below the minimum can only come from a pasted or loaded text; the range holds.
    if (!text().isEmpty()) {
        const double clamped = std::clamp(value(), minimum_, maximum_);
        const QString shown = Display(clamped);
        if (shown != text()) setText(shown);
    }
    QLineEdit::focusOutEvent(event);
}

}  // namespace tallwick::ui
