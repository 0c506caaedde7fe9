#include "list/column_chooser_dialog.h"

#include "list/list_cell_style.h"
#include "store/field_catalogue.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace tallwick::ui {
namespace {

constexpr int kBoxWidth = 438;
constexpr int kBoxHeight = 35;
constexpr int kLineHeight = 30;

}  // namespace

ColumnChooserDialog::ColumnChooserDialog(SQLite::Database& db, std::function<void()> onSaved,
                                         MessageFunction showMessage, QWidget* parent)
    : QDialog(parent),
      db_(db),
      onSaved_(std::move(onSaved)),
      showMessage_(showMessage ? std::move(showMessage)
                               : [this](const QString& text) { ShowMessage(text, this); }),
      pages_(new QTabWidget),
      save_(new QPushButton(QStringLiteral("确  定"))),
      close_(new QPushButton(QStringLiteral("关  闭"))) {
    setWindowTitle(QStringLiteral("自定义列表项"));
    resize(908, 636);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    pages_->setTabPosition(QTabWidget::South);
    save_->setObjectName(QStringLiteral("tbSave"));
    close_->setObjectName(QStringLiteral("tbReturn"));
    connect(save_, &QPushButton::clicked, this, &ColumnChooserDialog::Save);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 8);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);

    std::vector<QWidget*> pages{AddPage(QStringLiteral("封面"))};
    std::vector<int> onPage{0};
    const QFont boxFont = ListFont(9);
    for (const ChooserField& field : ReadChooserFields(db_)) {
        if (field.pageId >= static_cast<int>(pages.size())) {
            pages.push_back(AddPage(QString::fromStdString(field.sheetName)));
            onPage.push_back(0);
        }
        // Pages form an unbroken run; a gap would put its fields on the last page.
        const size_t page = std::min<size_t>(static_cast<size_t>(field.pageId), pages.size() - 1);
        const int k = onPage[page]++;
        auto* box =
            new QCheckBox(QString::fromStdString(field.fieldName + "--" + field.hint), pages[page]);
        box->setFont(boxFont);
        box->setGeometry((k % 2) * kBoxWidth + 4, k / 2 * kLineHeight + 6, kBoxWidth, kBoxHeight);
        box->setChecked(field.visible);
        boxes_.emplace_back(box, field.id);
    }
    for (size_t p = 0; p < pages.size(); ++p) {
        const int lines = std::max(1, (onPage[p] + 1) / 2);
        pages[p]->resize(2 * kBoxWidth + 4, (lines - 1) * kLineHeight + 6 + kBoxHeight);
    }
}

QWidget* ColumnChooserDialog::AddPage(const QString& caption) {
    auto* page = new QWidget;
    QPalette white = page->palette();
    white.setColor(QPalette::Window, Qt::white);
    page->setPalette(white);
    page->setAutoFillBackground(true);
    // The longest pages are taller than the tab.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->viewport()->setPalette(white);
    scroller->viewport()->setAutoFillBackground(true);
    scroller->setWidget(page);
    pages_->addTab(scroller, caption);
    return page;
}

void ColumnChooserDialog::Save() {
    std::vector<std::int64_t> visible;
    for (const auto& [box, id] : boxes_) {
        if (box->isChecked()) visible.push_back(id);
    }
    try {
        SaveVisibleFields(db_, visible);
        if (onSaved_) onSaved_();
    } catch (const std::exception& error) {
        showMessage_(UncaughtErrorText(error));
        return;
    }
    showMessage_(QStringLiteral("保存成功"));
    save_->setEnabled(false);
}

}  // namespace tallwick::ui
