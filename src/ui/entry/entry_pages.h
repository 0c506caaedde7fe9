#pragma once

// What the fourteen pages of the survey form show, as data: the form is built from this, not
// placed by hand.

#include <vector>

namespace tallwick::ui {

// One answer: the text under its heading, and its unit or code legend.
struct EntryItem {
    const char* label;
    const char* unit;
};

// Consecutive fields from `firstField` on, one per item, under a common heading (may be empty).
// A group without items is a section title within the page (表10 on the page of 表9).
struct EntryGroup {
    const char* firstField;
    const char* heading;
    std::vector<EntryItem> items;
};

struct EntryPageLayout {
    const char* tab;
    std::vector<const char*> titleLines;
    std::vector<EntryGroup> groups;
};

inline constexpr int kEntryPageCount = 14;

// Pages 1..13 (index 0 is page 1); the cover, page 0, has a layout of its own.
const std::vector<EntryPageLayout>& SurveyPageLayouts();

// The cover page's texts.
const char* CoverTitle();
const char* CoverLawText();
const std::vector<const char*>& CoverBoxLines();

}  // namespace tallwick::ui
