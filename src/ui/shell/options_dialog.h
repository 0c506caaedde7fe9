#pragma once

#include "settings/registry.h"
#include "settings/settings.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QRadioButton;

namespace tallwick::ui {

// The input methods this desktop reports: the modules named by QT_IM_MODULE(S), GTK_IM_MODULE
// and XMODIFIERS, then the keyboard's language. There is no switching here, only the names.
QStringList PlatformInputMethods();

// The items of the input method list: the current preference first (even when empty, so that it
// can be chosen again), then the platform's names without repeats.
QStringList InputMethodChoices(const QString& imePrefer, const QStringList& platformNames);

// TdlgOptionSetupForm, "软件参数设置": the preferred input method. "确定" stores it and the
// import principle; "取消" stores nothing.
class TdlgOptionSetupForm : public QDialog {
    Q_OBJECT
  public:
    TdlgOptionSetupForm(Registry& registry, AppSettings& settings, QWidget* parent = nullptr);

    QComboBox* ImeBox() const { return cbIme_; }

    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowSettings();

    Registry& registry_;
    AppSettings& settings_;
    QComboBox* cbIme_ = nullptr;
    QRadioButton* styleClassic_ = nullptr;
    QRadioButton* styleSimple_ = nullptr;
    QRadioButton* dropAllOnError_ = nullptr;
    QRadioButton* dropFaultyOnly_ = nullptr;
};

}  // namespace tallwick::ui
