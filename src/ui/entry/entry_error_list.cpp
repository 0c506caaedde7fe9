#include "entry/entry_error_list.h"

#include "locate/suggestion_text.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tallwick::ui {
namespace {

constexpr int kColumnWidths[] = {340, 321, 73, 70};

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ErrorListWindow::ErrorListWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("逻辑错误列表"));
    setObjectName(QStringLiteral("MessageListWin"));
    resize(900, 258);
    setStyleSheet(QStringLiteral("QTableWidget { background: rgb(255, 255, 204); color: black; }"));

    grid_ = new QTableWidget(1, 4, this);
    grid_->setHorizontalHeaderLabels({QStringLiteral("逻辑关系"), QStringLiteral("说明"),
                                      QStringLiteral("页号"), QStringLiteral("变量")});
    for (int i = 0; i < 4; ++i) grid_->setColumnWidth(i, kColumnWidths[i]);
    grid_->verticalHeader()->setFixedWidth(32);
    grid_->verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(true);
    QFont font(QStringLiteral("SimSun"));
    font.setPixelSize(13);
    grid_->setFont(font);
    suggestion_ = new QLabel(this);
    suggestion_->setObjectName(QStringLiteral("Suggestion"));
    suggestion_->setFont(font);
    suggestion_->setWordWrap(true);
    suggestion_->setTextFormat(Qt::RichText);
    suggestion_->setContentsMargins(6, 3, 6, 3);
    suggestion_->setStyleSheet(QStringLiteral("QLabel { background: rgb(255, 255, 204); }"));
    suggestion_->setToolTip(QStringLiteral(
        "单击一项，把建议的值填入它的输入框（F4：填入下一项建议的值）；保存时照常检查"));
    suggestion_->hide();
    connect(suggestion_, &QLabel::linkActivated, this, [this](const QString& link) {
        bool ok = false;
        const int index = link.toInt(&ok);
        if (apply_ && ok) apply_(index);
    });
    searching_ = new QLabel(QStringLiteral("正在查找修改建议…"), this);
    searching_->setObjectName(QStringLiteral("Searching"));
    searching_->setFont(font);
    searching_->setContentsMargins(6, 3, 6, 3);
    searching_->setStyleSheet(
        QStringLiteral("QLabel { background: rgb(255, 255, 204); color: rgb(96, 96, 96); }"));
    searching_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(suggestion_);
    layout->addWidget(searching_);
    layout->addWidget(grid_);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

    connect(grid_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { NavigateFromRow(row); });
    ClearMessages();
}

void ErrorListWindow::ClearMessages() {
    hasMessages_ = false;
    ++generation_;
    SetSuggestion({});
    grid_->setRowCount(1);
    for (int column = 0; column < 4; ++column) grid_->setItem(0, column, new QTableWidgetItem);
    grid_->setRowHeight(0, kDefaultRowHeight);
    hide();
}

void ErrorListWindow::AddMessage(const check::LogicError& error) {
    ++generation_;
    SetSuggestion({});
    int row = 0;
    if (hasMessages_) {
        row = grid_->rowCount();
        grid_->insertRow(row);
        grid_->setRowHeight(row, kDefaultRowHeight);
    }
    hasMessages_ = true;
    const QString texts[] = {Text(error.rule), Text(error.explanation), QString::number(error.page),
                             Text(error.focus)};
    const QFontMetrics metrics(grid_->font());
    int height = grid_->rowHeight(row);
    for (int column = 0; column < 2; ++column) {
        const QRect bounds = metrics.boundingRect(
            QRect(0, 0, grid_->columnWidth(column) - 4, 10000), Qt::TextWordWrap, texts[column]);
        height = std::max(height, bounds.height() + 8);
    }
    grid_->setRowHeight(row, height);
    for (int column = 0; column < 4; ++column) {
        grid_->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
}

void ErrorListWindow::SetSuggestion(const RepairSuggestion& suggestion) {
    answers_ = suggestion.answers;
    applied_ = QList<bool>(answers_.size(), false);
    line_ = suggestion.line;
    ShowSuggestion();
}

void ErrorListWindow::ShowSuggestion() {
    searching_->hide();
    if (answers_.isEmpty()) {
        suggestion_->setText(line_.toHtmlEscaped());
        suggestion_->setVisible(!line_.isEmpty());
        return;
    }
    QString html = QString::fromUtf8(locate::kSuggestionHead);
    for (qsizetype i = 0; i < answers_.size(); ++i) {
        if (i > 0) html += QStringLiteral("、");
        const QString text = answers_[i].text.toHtmlEscaped();
        html += applied_[i] ? QStringLiteral("<span style=\"color: gray\">%1</span>").arg(text)
                            : QStringLiteral("<a href=\"%1\">%2</a>").arg(i).arg(text);
    }
    suggestion_->setText(html);
    suggestion_->show();
}

void ErrorListWindow::ShowSearching() {
    suggestion_->hide();
    searching_->show();
}

const SuggestedAnswer* ErrorListWindow::Answer(int index) const {
    return index >= 0 && index < answers_.size() ? &answers_[index] : nullptr;
}

int ErrorListWindow::NextUnapplied() const {
    const auto at = std::find(applied_.begin(), applied_.end(), false);
    return at == applied_.end() ? -1 : static_cast<int>(at - applied_.begin());
}

void ErrorListWindow::MarkApplied(int index) {
    if (index < 0 || index >= applied_.size()) return;
    applied_[index] = true;
    ShowSuggestion();
}

void ErrorListWindow::MoveAside(QPoint position) {
    placing_ = true;
    move(position);
    placing_ = false;
}

bool ErrorListWindow::eventFilter(QObject* watched, QEvent* event) {
    // After the click's own work (a link, a double click), whatever it was. Every button event
    // counts: a double click that changes the page hides the list before its release comes.
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
         type == QEvent::MouseButtonRelease) &&
        clicked_)
        QTimer::singleShot(0, this, [this] {
            if (clicked_) clicked_();
        });
    return QWidget::eventFilter(watched, event);
}

void ErrorListWindow::ShowList() {
    if (!isVisible()) {
        placing_ = true;
        show();  // first, so that the size counts the window's frame
        if (!movedByUser_) move(place_ ? place_(frameGeometry().size()) : QPoint(150, 500));
        placing_ = false;
    }
    if (shown_ && hasMessages_) shown_();
}

QList<ErrorListWindow::Target> ErrorListWindow::Targets() const {
    QList<Target> targets;
    if (!hasMessages_) return targets;
    for (int row = 0; row < grid_->rowCount(); ++row) {
        const QTableWidgetItem* page = grid_->item(row, 2);
        const QTableWidgetItem* field = grid_->item(row, 3);
        if (page != nullptr && field != nullptr)
            targets.push_back({page->text().toInt(), field->text()});
    }
    return targets;
}

void ErrorListWindow::moveEvent(QMoveEvent* event) {
    if (isVisible() && !placing_) movedByUser_ = true;
    QWidget::moveEvent(event);
}

void ErrorListWindow::NavigateFromRow(int row) {
    if (navigating_ || row < 0 || row >= grid_->rowCount()) return;
    navigating_ = true;
    const QTableWidgetItem* pageItem = grid_->item(row, 2);
    const QTableWidgetItem* fieldItem = grid_->item(row, 3);
    const int page = pageItem ? pageItem->text().toInt() : 0;
    const QString field = fieldItem ? fieldItem->text() : QString();
    if (navigate_) navigate_(page, field);
    grid_->setCurrentCell(0, 0);
    navigating_ = false;
}

}  // namespace tallwick::ui
