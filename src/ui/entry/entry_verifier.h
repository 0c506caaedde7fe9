#pragma once

class QWidget;

namespace tallwick::ui {

// What the entry window hands to a dependent verification pass while one drives it: the boxes
// the operator leaves, the end of the record and the wish to close.
class EntryVerifier {
  public:
    virtual ~EntryVerifier() = default;
    // The operator left a survey answer's box; true when it is asked for again, so the focus
    // goes back to it.
    virtual bool AnswerLeft(QWidget* box) = 0;
    // The save key, or leaving the last box of the record; true when the record was saved.
    virtual bool EndOfRecord() = 0;
    // Esc, the close box or 返回; true lets the window close.
    virtual bool MayClose() = 0;
};

}  // namespace tallwick::ui
