#pragma once

#include "check/rule_table.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTableWidget;

namespace tallwick::ui {

// TMessageListWinForm: the logic errors of the record being edited, one row each; a double click
// takes the entry window to the error's page and field.
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

    // Told whenever the list is asked to show itself, with its final content for now.
    void SetOnShown(std::function<void()> shown) { shown_ = std::move(shown); }
    // Changes with every change of the errors listed: a suggestion for other errors is stale.
    int Generation() const { return generation_; }

    // The first line, "建议首先核对：" and the answers, each a link "page:field" that goes to its
    // box like a double click on an error; or a line without links; empty hides it.
    void SetSuggestion(const QStringList& links, const QStringList& texts);
    void SetSuggestionLine(const QString& line);
    QLabel* Suggestion() const { return suggestion_; }

    QTableWidget* Grid() const { return grid_; }
    void NavigateFromRow(int row);  // what a double click on `row` does

  protected:
    void moveEvent(QMoveEvent* event) override;

  private:
    QLabel* suggestion_ = nullptr;
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
