#pragma once

#include "project/studies_project.h"

#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTableWidget;

namespace tavrel::studies {

// The analysis's options, as tavrel-batch names them, and what it found: the summary in a
// paper's words, as the tool prints it, and a table of every summary value. The panel shows
// the options it is given and asks for each change; it keeps no options of its own.
class AnalysisPanel : public QWidget {
    Q_OBJECT

  public:
    explicit AnalysisPanel(QWidget* parent = nullptr);

    // Shows `studies`' columns and options, without asking for any change.
    void ShowOptions(const project::StudiesProject& studies);
    // Shows what the tool said (its standard error) and the summary as JSON; `failure` says
    // why nothing was pooled, where nothing was.
    void ShowResults(const QString& messages, const QString& summaryJson, const QString& failure);

  signals:
    // An option set (nullopt: a flag on) or put back to its default (Cleared).
    void OptionChanged(const std::string& name, const std::optional<std::string>& value);
    void OptionCleared(const std::string& name);

  private:
    void Connect();
    void Choose(std::string_view name, const QString& text, const QString& byDefault);
    void SetModerators();

    QComboBox* measure_;
    QComboBox* method_;
    QComboBox* test_;
    QLineEdit* level_;
    QComboBox* label_;
    QComboBox* by_;
    QComboBox* cluster_;
    QListWidget* moderators_;
    QCheckBox* robust_;
    QCheckBox* trimFill_;
    QCheckBox* contours_;
    QCheckBox* noncentral_;
    QLineEdit* favoursLeft_;
    QLineEdit* favoursRight_;
    QLabel* failure_;
    QPlainTextEdit* summary_;
    QTableWidget* results_;
    bool showing_ = false; // the controls are being set from the options, not by the user
};

} // namespace tavrel::studies
