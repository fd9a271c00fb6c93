#include "studies/results_export.h"

#include "cli/run.h"
#include "plots/forest_plot.h"

#include <QObject>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tavrel::studies {

ResultsExport PlanExport(const project::StudiesProject& studies, const QString& projectPath,
                         const QString& path, std::size_t pooledStudies) {
    const QString stem =
        path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? path.chopped(4) : path;
    ResultsExport plan{studies, projectPath, {}, {path, stem + QStringLiteral(".json")}};
    plan.args = {"-o", path.toStdString(), "--summary", plan.files[1].toStdString()};
    if (studies.Option("mods") == nullptr) {
        const std::pair<const char*, QString> more[] = {
            {"--leave-one-out", stem + QStringLiteral("-leave-one-out.csv")},
            {"--funnel", stem + QStringLiteral("-funnel.svg")},
            {"--forest", stem + QStringLiteral("-forest.svg")}};
        for (const auto& [option, name] : more) {
            if (QLatin1String(option) != QLatin1String("--forest") ||
                pooledStudies <= plots::kMostStudiesInAPlot) {
                plan.args.insert(plan.args.end(), {option, name.toStdString()});
                plan.files << name;
            }
        }
    }
    return plan;
}

QString RunExport(const ResultsExport& plan) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* err = open_memstream(&text, &size);
    if (err == nullptr) {
        return QObject::tr("out of memory");
    }
    const int status = cli::RunBatchOnProject(plan.studies, plan.projectPath.toStdString(),
                                              plan.args, nullptr, err);
    std::fclose(err);
    const QString said = QString::fromUtf8(text, static_cast<qsizetype>(size)).trimmed();
    std::free(text);
    return status == cli::kUnusable ? said : QString();
}

} // namespace tavrel::studies
