#pragma once

// The fourteen pages of the survey form, built from their description (entry_pages.h).

#include <QString>

#include <map>
#include <vector>

class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace tallwick::ui {

class CodePickerBox;
class EntryNumberBox;

struct EntryForm {
    QTabWidget* pages = nullptr;
    // Every control that edits a stored field, by lower-case field name.
    std::map<QString, QWidget*> fields;
    // Per page, the controls in tab order, the picker boxes included.
    std::vector<std::vector<QWidget*>> tabOrder;
    // The survey fields in family order z, x, b, f, l, j, s, w, n, g, d, y.
    std::vector<EntryNumberBox*> surveyFields;

    EntryNumberBox* code = nullptr;  // c901
    QLineEdit* unionName = nullptr;  // c902
    EntryNumberBox* region = nullptr;
    EntryNumberBox* level = nullptr;
    EntryNumberBox* state = nullptr;
    QLineEdit* filler = nullptr;
    QLineEdit* telephone = nullptr;
    CodePickerBox* regionName = nullptr;  // CityNameCtrl
    CodePickerBox* levelName = nullptr;
    CodePickerBox* stateName = nullptr;

    QWidget* Field(const QString& name) const;
};

// Builds the pages into a new tab widget under `parent`, every box with the form's own limits.
EntryForm BuildEntryForm(QWidget* parent);

// The form's limits of a survey box before the catalogue is applied: maximum and length.
struct SurveyLimits {
    double maximum;
    int maxLength;
    bool decimals;
};
SurveyLimits FormLimitsOf(const QString& field);

}  // namespace tallwick::ui
