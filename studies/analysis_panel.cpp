#include "studies/analysis_panel.h"

#include "meta/model/model_settings.h"
#include "sheet/clipboard_text.h"
#include "sheet/summary_values.h"
#include "table/measure/effect_measure.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tavrel::studies {

namespace {

const QString kFirstOther = QObject::tr("(first other column)");
const QString kNone = QObject::tr("(none)");

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The option's value, or `byDefault` where it is at its default.
QString ValueOf(const project::StudiesProject& studies, std::string_view name,
                const QString& byDefault) {
    const std::optional<std::string>* value = studies.Option(name);
    return value != nullptr && *value ? FromUtf8(**value) : byDefault;
}

// Fills `combo` with `first` and the columns, and selects `current`.
void FillColumns(QComboBox& combo, const QString& first, const project::StudiesProject& studies,
                 const QString& current) {
    combo.clear();
    combo.addItem(first);
    for (const std::string& column : studies.columns) {
        combo.addItem(FromUtf8(column));
    }
    if (combo.findText(current) < 0) {
        combo.addItem(current); // a column since renamed: shown, so that it can be changed
    }
    combo.setCurrentText(current);
}

} // namespace

AnalysisPanel::AnalysisPanel(QWidget* parent)
    : QWidget(parent), measure_(new QComboBox), method_(new QComboBox), test_(new QComboBox),
      level_(new QLineEdit), label_(new QComboBox), by_(new QComboBox), cluster_(new QComboBox),
      moderators_(new QListWidget), robust_(new QCheckBox(tr("Cluster-robust tests (CR2)"))),
      trimFill_(new QCheckBox(tr("Trim and fill"))),
      contours_(new QCheckBox(tr("Funnel contours"))),
      noncentral_(new QCheckBox(tr("Noncentral interval of d"))), favoursLeft_(new QLineEdit),
      favoursRight_(new QLineEdit), failure_(new QLabel), summary_(new QPlainTextEdit),
      results_(new QTableWidget(0, 2)) {
    for (const table::MeasureInfo& info : table::kMeasures) {
        measure_->addItem(
            QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
    }
    for (const auto& [name, method] : meta::kMethodNames) {
        method_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    for (const auto& [name, test] : meta::kTestNames) {
        test_->addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    auto* levelValidator = new QDoubleValidator(0, 1, 15, level_);
    levelValidator->setNotation(QDoubleValidator::StandardNotation);
    levelValidator->setLocale(QLocale::c()); // written as the command line writes it
    level_->setValidator(levelValidator);
    level_->setPlaceholderText(QStringLiteral("0.95"));
    // The two phrases are one option, separated by a comma: the left one cannot hold one.
    favoursLeft_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^,]*")), this));
    moderators_->setMaximumHeight(90);
    summary_->setReadOnly(true);
    summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
    results_->setHorizontalHeaderLabels({tr("Value"), tr("Result")});
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->verticalHeader()->hide();
    results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 6);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The results copy out as a spreadsheet reads them: the selected rows, a value to a line.
    auto* copy = new QAction(tr("&Copy"), results_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    results_->addAction(copy);
    results_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(copy, &QAction::triggered, this, [this] {
        sheet::CellBlock block;
        for (int row = 0; row < results_->rowCount(); ++row) {
            if (results_->item(row, 0)->isSelected() || results_->item(row, 1)->isSelected()) {
                block.push_back({results_->item(row, 0)->text().toStdString(),
                                 results_->item(row, 1)->text().toStdString()});
            }
        }
        QGuiApplication::clipboard()->setText(QString::fromStdString(sheet::WriteCellBlock(block)));
    });
    failure_->setWordWrap(true);
    failure_->setStyleSheet(QStringLiteral("color: #a40000"));
    failure_->hide();

    measure_->setAccessibleName(tr("Effect measure"));
    method_->setAccessibleName(tr("Method"));
    test_->setAccessibleName(tr("Test"));
    level_->setAccessibleName(tr("Confidence level"));
    label_->setAccessibleName(tr("Study labels"));
    by_->setAccessibleName(tr("Subgroups"));
    cluster_->setAccessibleName(tr("Clusters"));
    cluster_->setToolTip(tr("Rows that share this column's text are one study's: they are "
                            "pooled by the three-level model (REML or ML)"));
    robust_->setAccessibleName(tr("Cluster-robust tests"));
    moderators_->setAccessibleName(tr("Moderators"));
    favoursLeft_->setAccessibleName(tr("Favours, left"));
    favoursRight_->setAccessibleName(tr("Favours, right"));
    summary_->setAccessibleName(tr("Summary"));
    results_->setAccessibleName(tr("Results"));
    failure_->setAccessibleName(tr("Why nothing was pooled"));

    auto* form = new QFormLayout;
    form->addRow(tr("Effe&ct measure:"), measure_);
    form->addRow(tr("&Method:"), method_);
    form->addRow(tr("&Test:"), test_);
    form->addRow(tr("&Level:"), level_);
    form->addRow(tr("L&abels:"), label_);
    form->addRow(tr("&Subgroups:"), by_);
    form->addRow(tr("M&oderators:"), moderators_);
    form->addRow(tr("Cl&usters:"), cluster_);
    form->addRow(QString(), robust_);
    form->addRow(QString(), trimFill_);
    form->addRow(QString(), contours_);
    form->addRow(QString(), noncentral_);
    form->addRow(tr("Favours &left:"), favoursLeft_);
    form->addRow(tr("Favours &right:"), favoursRight_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(failure_);
    layout->addWidget(summary_, 2);
    layout->addWidget(results_, 3);
    Connect();
}

void AnalysisPanel::Connect() {
    connect(measure_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("measure", text, QStringLiteral("SMD")); });
    connect(method_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("method", text, QStringLiteral("REML")); });
    connect(test_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("test", text, QStringLiteral("z")); });
    connect(level_, &QLineEdit::editingFinished, this,
            [this] { Choose("level", level_->text(), QString()); });
    connect(label_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("label", text, kFirstOther); });
    connect(by_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("by", text, kNone); });
    connect(moderators_, &QListWidget::itemChanged, this, [this] { SetModerators(); });
    connect(cluster_, &QComboBox::textActivated, this,
            [this](const QString& text) { Choose("cluster", text, kNone); });
    for (const auto& [box, name] :
         {std::pair{trimFill_, "trim-fill"}, std::pair{contours_, "funnel-contours"},
          std::pair{robust_, "robust"}}) {
        connect(box, &QCheckBox::toggled, this, [this, name = std::string(name)](bool on) {
            if (!showing_) {
                on ? emit OptionChanged(name, std::nullopt) : emit OptionCleared(name);
            }
        });
    }
    connect(noncentral_, &QCheckBox::toggled, this, [this](bool on) {
        Choose("ci", on ? QStringLiteral("noncentral") : QString(), QString());
    });
    const auto favours = [this] {
        const QString left = favoursLeft_->text();
        const QString right = favoursRight_->text();
        Choose("favours", left.isEmpty() || right.isEmpty() ? QString() : left + ',' + right,
               QString());
    };
    connect(favoursLeft_, &QLineEdit::editingFinished, this, favours);
    connect(favoursRight_, &QLineEdit::editingFinished, this, favours);
}

void AnalysisPanel::Choose(std::string_view name, const QString& text, const QString& byDefault) {
    if (showing_) {
        return;
    }
    if (text == byDefault || text.isEmpty()) {
        emit OptionCleared(std::string(name));
    } else {
        emit OptionChanged(std::string(name), text.toStdString());
    }
}

void AnalysisPanel::SetModerators() {
    QStringList chosen;
    for (int row = 0; row < moderators_->count(); ++row) {
        if (moderators_->item(row)->checkState() == Qt::Checked) {
            chosen << moderators_->item(row)->text();
        }
    }
    Choose("mods", chosen.join(QLatin1Char(',')), QString());
}

void AnalysisPanel::ShowOptions(const project::StudiesProject& studies) {
    showing_ = true;
    measure_->setCurrentText(ValueOf(studies, "measure", QStringLiteral("SMD")));
    method_->setCurrentText(ValueOf(studies, "method", QStringLiteral("REML")));
    test_->setCurrentText(ValueOf(studies, "test", QStringLiteral("z")));
    level_->setText(ValueOf(studies, "level", QString()));
    FillColumns(*label_, kFirstOther, studies, ValueOf(studies, "label", kFirstOther));
    FillColumns(*by_, kNone, studies, ValueOf(studies, "by", kNone));
    FillColumns(*cluster_, kNone, studies, ValueOf(studies, "cluster", kNone));
    const QStringList chosen = ValueOf(studies, "mods", QString()).split(QLatin1Char(','));
    moderators_->clear();
    for (const std::string& column : studies.columns) {
        auto* item = new QListWidgetItem(FromUtf8(column), moderators_);
        item->setCheckState(chosen.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    robust_->setChecked(studies.Option("robust") != nullptr);
    trimFill_->setChecked(studies.Option("trim-fill") != nullptr);
    contours_->setChecked(studies.Option("funnel-contours") != nullptr);
    noncentral_->setChecked(studies.Option("ci") != nullptr);
    const QString favours = ValueOf(studies, "favours", QString());
    favoursLeft_->setText(favours.section(QLatin1Char(','), 0, 0));
    favoursRight_->setText(favours.section(QLatin1Char(','), 1));
    favoursLeft_->setPlaceholderText(tr("Favours control"));
    favoursRight_->setPlaceholderText(tr("Favours experimental"));
    showing_ = false;
}

void AnalysisPanel::ShowResults(const QString& messages, const QString& summaryJson,
                                const QString& failure) {
    failure_->setText(failure);
    failure_->setVisible(!failure.isEmpty());
    summary_->setPlainText(messages);
    const auto values = sheet::SummaryValues(summaryJson.toStdString());
    results_->setRowCount(static_cast<int>(values.size()));
    for (int row = 0; row < results_->rowCount(); ++row) {
        results_->setItem(row, 0, new QTableWidgetItem(FromUtf8(values[row].first)));
        results_->setItem(row, 1, new QTableWidgetItem(FromUtf8(values[row].second)));
    }
}

} // namespace tavrel::studies
