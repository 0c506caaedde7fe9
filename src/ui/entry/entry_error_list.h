#pragma once

#include "check/rule_table.h"
#include "entry/entry_suggestion.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTableWidget;

namespace tallwick::ui {

// TMessageListWinForm: the logic errors of the record being edited, one row each; a double click
// takes the entry window to the error's page and field. It never takes the keyboard: after any
// click in it the entry window is told, so that typing goes on in the form.
class ErrorListWindow : public QWidget, public check::MessageList {
    Q_OBJECT
  public:
    static constexpr int kDefaultRowHeight = 18;

    explicit ErrorListWindow(QWidget* parent = nullptr);

    void ClearMessages() override;
    void AddMessage(const check::LogicError& error) override;
    bool HasNoMessages() const override { return !hasMessages_; }
    void ShowList() override;

    // Called with the page and the focus field name of a double-clicked row.
    void SetNavigator(std::function<void(int page, const QString& field)> navigate) {
        navigate_ = std::move(navigate);
    }

    // Where the list goes when it is first shown (given its size); once the user has moved it,
    // it comes back where they left it.
    void SetPlacement(std::function<QPoint(QSize)> place) { place_ = std::move(place); }

    // Told whenever the list is asked to show itself, once it is on screen with its final
    // content for now.
    void SetOnShown(std::function<void()> shown) { shown_ = std::move(shown); }
    // Changes with every change of the errors listed: a suggestion for other errors is stale.
    int Generation() const { return generation_; }

    // The first line, "建议修改：" and the answers, each a link that applies it; or a line
    // without links; nothing to say hides it. It takes the place of the searching line.
    void SetSuggestion(const RepairSuggestion& suggestion);
    // "正在查找修改建议…" where the suggestion will be.
    void ShowSearching();
    QLabel* Suggestion() const { return suggestion_; }
    QLabel* Searching() const { return searching_; }

    // The answers of the suggestion shown; an applied one stays in the line without its link.
    const SuggestedAnswer* Answer(int index) const;
    int NextUnapplied() const;  // -1 when every answer is applied
    void MarkApplied(int index);
    // Called with the index of a clicked answer.
    void SetApplier(std::function<void(int index)> apply) { apply_ = std::move(apply); }

    // Called after every click in the list, once the click has done its work.
    void SetOnClicked(std::function<void()> clicked) { clicked_ = std::move(clicked); }
    // A move by the program (out of the way of a box), not the user's choice of place.
    void MoveAside(QPoint position);

    QTableWidget* Grid() const { return grid_; }
    // The page and the field that each error points at.
    struct Target {
        int page = 0;
        QString field;
    };
    QList<Target> Targets() const;
    void NavigateFromRow(int row);  // what a double click on `row` does

  protected:
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowSuggestion();

    QString line_;

    QLabel* suggestion_ = nullptr;
    QLabel* searching_ = nullptr;
    QList<SuggestedAnswer> answers_;
    QList<bool> applied_;
    std::function<void(int)> apply_;
    std::function<void()> clicked_;
    QTableWidget* grid_ = nullptr;
    int generation_ = 0;
    std::function<void()> shown_;
    bool hasMessages_ = false;
    bool navigating_ = false;
    std::function<void(int, const QString&)> navigate_;
    std::function<QPoint(QSize)> place_;
    bool placing_ = false;
    bool movedByUser_ = false;
};

}  // namespace tallwick::ui
