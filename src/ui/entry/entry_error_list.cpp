#include "entry/entry_error_list.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
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
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
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
    suggestion_->hide();
    connect(suggestion_, &QLabel::linkActivated, this, [this](const QString& link) {
        const auto colon = link.indexOf(QLatin1Char(':'));
        if (navigate_ && colon > 0) navigate_(link.left(colon).toInt(), link.mid(colon + 1));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(suggestion_);
    layout->addWidget(grid_);

    connect(grid_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { NavigateFromRow(row); });
    ClearMessages();
}

void ErrorListWindow::ClearMessages() {
    hasMessages_ = false;
    ++generation_;
    SetSuggestionLine(QString());
    grid_->setRowCount(1);
    for (int column = 0; column < 4; ++column) grid_->setItem(0, column, new QTableWidgetItem);
    grid_->setRowHeight(0, kDefaultRowHeight);
    hide();
}

void ErrorListWindow::AddMessage(const check::LogicError& error) {
    ++generation_;
    SetSuggestionLine(QString());
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

void ErrorListWindow::SetSuggestion(const QStringList& links, const QStringList& texts) {
    QString html = QStringLiteral("建议首先核对：");
    for (qsizetype i = 0; i < links.size() && i < texts.size(); ++i) {
        if (i > 0) html += QStringLiteral("、");
        html += QStringLiteral("<a href=\"%1\">%2</a>").arg(links[i], texts[i].toHtmlEscaped());
    }
    suggestion_->setText(html);
    suggestion_->setVisible(!links.isEmpty());
}

void ErrorListWindow::SetSuggestionLine(const QString& line) {
    suggestion_->setText(line.toHtmlEscaped());
    suggestion_->setVisible(!line.isEmpty());
}

void ErrorListWindow::ShowList() {
    if (shown_ && hasMessages_) shown_();
    if (isVisible()) return;
    placing_ = true;
    show();  // first, so that the size counts the window's frame
    if (!movedByUser_) move(place_ ? place_(frameGeometry().size()) : QPoint(150, 500));
    placing_ = false;
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
