#pragma once

#include "project/studies_project.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <string>
#include <vector>

namespace tavrel::studies {

// An export of the results, planned on the window's thread and run on any: the project as it
// stood, and tavrel-batch's arguments for the files to write.
struct ResultsExport {
    project::StudiesProject studies;
    QString projectPath; // where the project is saved; empty for one never saved
    std::vector<std::string> args;
    QStringList files; // what it writes, the results table first
};

// The results table at `path`, and beside it, named after it, the summary (.json), the
// leave-one-out table (-leave-one-out.csv) and the plots (-funnel.svg, -forest.svg), as far as
// tavrel-batch draws them: no plots or refits beside moderators, and no forest plot of more
// than it can draw (`pooledStudies` is the number last pooled).
ResultsExport PlanExport(const project::StudiesProject& studies, const QString& projectPath,
                         const QString& path, std::size_t pooledStudies);

// Runs tavrel-batch on the project with the planned arguments: every file or none. Returns
// why nothing was written, or an empty text where all was.
QString RunExport(const ResultsExport& plan);

} // namespace tavrel::studies
