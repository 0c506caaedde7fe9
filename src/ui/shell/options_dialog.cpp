#include "shell/options_dialog.h"

#include "widgets/message_box.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace tallwick::ui {
namespace {

constexpr RegistryRoot kRoot = RegistryRoot::LocalMachine;

int IndexOfText(const QComboBox& box, const QString& text) {
    for (int i = 0; i < box.count(); ++i) {
        if (box.itemText(i) == text) return i;
    }
    return -1;
}

// Fills itself with the input methods of the moment each time it drops down.
class ImeComboBox : public QComboBox {
  public:
    explicit ImeComboBox(std::function<QStringList()> choices) : choices_(std::move(choices)) {}

    void showPopup() override {
        const QString current = currentText();
        clear();
        addItems(choices_());
        setCurrentIndex(std::max(IndexOfText(*this, current), 0));
        QComboBox::showPopup();
    }

  private:
    std::function<QStringList()> choices_;
};

void AddName(QStringList& names, const QString& name) {
    const QString trimmed = name.trimmed();
    if (!trimmed.isEmpty() && !names.contains(trimmed)) names << trimmed;
}

void AddModuleList(QStringList& names, const char* variable) {
    static const QRegularExpression kSeparators(QStringLiteral("[;:]"));
    for (const QString& name : QString::fromLocal8Bit(qgetenv(variable)).split(kSeparators)) {
        AddName(names, name);
    }
}

}  // namespace

QStringList PlatformInputMethods() {
    QStringList names;
    AddModuleList(names, "QT_IM_MODULES");
    AddModuleList(names, "QT_IM_MODULE");
    AddModuleList(names, "GTK_IM_MODULE");
    // XMODIFIERS looks like "@im=fcitx"; "@im=none" names no input method.
    const QString modifiers = QString::fromLocal8Bit(qgetenv("XMODIFIERS"));
    const qsizetype at = modifiers.indexOf(QStringLiteral("@im="));
    if (at >= 0) {
        const QString name = modifiers.mid(at + 4).section(QLatin1Char('@'), 0, 0);
        if (name != QLatin1String("none")) AddName(names, name);
    }
    if (const QInputMethod* method = QGuiApplication::inputMethod(); method != nullptr) {
        const QLocale keyboard = method->locale();
        if (keyboard.language() != QLocale::C) {
            AddName(names, QStringLiteral("%1 (%2)").arg(keyboard.nativeLanguageName(),
                                                         keyboard.nativeTerritoryName()));
        }
    }
    return names;
}

QStringList InputMethodChoices(const QString& imePrefer, const QStringList& platformNames) {
    QStringList choices{imePrefer};
    for (const QString& name : platformNames) {
        if (!choices.contains(name)) choices << name;
    }
    return choices;
}

TdlgOptionSetupForm::TdlgOptionSetupForm(Registry& registry, AppSettings& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      registry_(registry),
      settings_(settings) {
    setWindowTitle(QStringLiteral("软件参数设置"));

    cbIme_ = new ImeComboBox(
        [this] { return InputMethodChoices(settings_.imePrefer, PlatformInputMethods()); });
    cbIme_->setObjectName(QStringLiteral("cbIme"));
    cbIme_->setEditable(false);
    cbIme_->setMinimumWidth(280);

    // Never shown: they mirror settings that no visible control changes.
    auto* hidden = new QWidget;
    auto* hiddenLayout = new QGridLayout(hidden);
    styleClassic_ = new QRadioButton(QStringLiteral("传统"));
    styleSimple_ = new QRadioButton(QStringLiteral("简约"));
    dropAllOnError_ = new QRadioButton(QStringLiteral("有错就全部放弃"));
    dropFaultyOnly_ = new QRadioButton(QStringLiteral("只放弃出错的数据"));
    auto* styleGroup = new QButtonGroup(hidden);
    styleGroup->addButton(styleClassic_);
    styleGroup->addButton(styleSimple_);
    auto* importGroup = new QButtonGroup(hidden);
    importGroup->addButton(dropAllOnError_);
    importGroup->addButton(dropFaultyOnly_);
    hiddenLayout->addWidget(new QLabel(QStringLiteral("录入窗口风格:")), 0, 0);
    hiddenLayout->addWidget(styleClassic_, 0, 1);
    hiddenLayout->addWidget(styleSimple_, 0, 2);
    hiddenLayout->addWidget(new QLabel(QStringLiteral("导入错误处理方式：")), 1, 0);
    hiddenLayout->addWidget(dropAllOnError_, 1, 1);
    hiddenLayout->addWidget(dropFaultyOnly_, 1, 2);
    hidden->setVisible(false);

    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(new QLabel(QStringLiteral("选择使用的输入法:")));
    pageLayout->addWidget(cbIme_);
    pageLayout->addWidget(hidden);
    pageLayout->addStretch();
    auto* tabs = new QTabWidget;
    tabs->addTab(page, QStringLiteral("软件环境"));

    auto* ok = new QPushButton(QStringLiteral("确定"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
    setFixedSize(QSize(360, 200).expandedTo(sizeHint()));
    ShowSettings();
}

void TdlgOptionSetupForm::ShowSettings() {
    int index = IndexOfText(*cbIme_, settings_.imePrefer);
    if (index < 0) {
        cbIme_->insertItem(0, settings_.imePrefer);
        index = 0;
    }
    cbIme_->setCurrentIndex(index);
    (settings_.inputWndStyle ? styleSimple_ : styleClassic_)->setChecked(true);
    (settings_.importPrinciple ? dropFaultyOnly_ : dropAllOnError_)->setChecked(true);
}

void TdlgOptionSetupForm::accept() {
    settings_.imePrefer = cbIme_->currentText();
    const bool importPrinciple = !dropAllOnError_->isChecked();
    try {
        registry_.WriteRegString(QStringLiteral("ImePrefer"), settings_.imePrefer, kRoot,
                                 kEnvSettingKey);
        registry_.WriteRegString(QStringLiteral("OrganisationName"), QString(), kRoot,
                                 kEnvSettingKey);
        registry_.WriteRegInteger(QStringLiteral("ImportPrinciple"), importPrinciple ? 1 : 0, kRoot,
                                  kEnvSettingKey);
        settings_.importPrinciple = importPrinciple;
    } catch (const RegistryWriteError& error) {
        ShowMessage(QString::fromStdString(error.what()), this);
    }
    QDialog::accept();
}

void TdlgOptionSetupForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    ShowSettings();
    if (screen() != nullptr) move(screen()->availableGeometry().center() - rect().center());
}

}  // namespace tallwick::ui
