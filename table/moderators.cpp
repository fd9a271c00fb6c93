#include "table/moderators.h"

#include "table/row/study_row.h"

#include <algorithm>
#include <map>

namespace tavrel::table {

namespace {

// Appends an indicator column per level but the first, in `levels`' order.
void AddIndicators(meta::Design& x, std::vector<std::string>& names, const std::string& column,
                   const std::vector<std::string>& levels,
                   const std::vector<std::size_t>& levelOf) {
    const Eigen::Index first = x.cols();
    x.conservativeResize(Eigen::NoChange, first + static_cast<Eigen::Index>(levels.size()) - 1);
    x.rightCols(static_cast<Eigen::Index>(levels.size()) - 1).setZero();
    for (std::size_t level = 1; level < levels.size(); ++level) {
        names.push_back(column + "=" + levels[level]);
    }
    for (std::size_t study = 0; study < levelOf.size(); ++study) {
        if (levelOf[study] > 0) {
            x(static_cast<Eigen::Index>(study),
              first + static_cast<Eigen::Index>(levelOf[study]) - 1) = 1;
        }
    }
}

// "levels a, b, against a"; each level in quotes where any has blanks around it that would
// not show otherwise.
std::string LevelsText(const std::vector<std::string>& levels) {
    const bool quoted = std::any_of(levels.begin(), levels.end(), [](const std::string& level) {
        return TrimBlanks(level).size() != level.size();
    });
    const auto shown = [&](const std::string& level) {
        return quoted ? "\"" + level + "\"" : level;
    };
    std::string text = "levels ";
    for (const std::string& level : levels) {
        text += (&level == &levels.front() ? "" : ", ") + shown(level);
    }
    return text + ", against " + shown(levels.front());
}

} // namespace

ModeratorDesign DesignOf(std::span<const std::string> columns, std::span<const std::string> texts) {
    const std::size_t m = columns.size();
    const std::size_t k = texts.size() / m;
    ModeratorDesign design{meta::Design::Ones(static_cast<Eigen::Index>(k), 1), {"intercept"}, {}};
    for (std::size_t c = 0; c < m; ++c) {
        const auto text = [&](std::size_t study) -> const std::string& {
            return texts[study * m + c];
        };
        std::vector<double> values(k);
        bool numeric = true;
        for (std::size_t study = 0; study < k && numeric; ++study) {
            const DataField field = ReadDataField(text(study));
            numeric = field.kind == DataField::Number;
            values[study] = field.value;
        }
        if (numeric) {
            const Eigen::Index at = design.x.cols();
            design.x.conservativeResize(Eigen::NoChange, at + 1);
            design.x.col(at) =
                Eigen::Map<const Eigen::VectorXd>(values.data(), static_cast<Eigen::Index>(k));
            design.names.push_back(columns[c]);
            continue;
        }
        std::map<std::string, std::size_t> index;
        for (std::size_t study = 0; study < k; ++study) {
            index.emplace(text(study), 0);
        }
        std::vector<std::string> levels;
        for (auto& [level, number] : index) {
            number = levels.size();
            levels.push_back(level);
        }
        if (levels.size() < 2) {
            throw ModeratorError("--mods: " + columns[c] + " has the same value, \"" +
                                 levels.front() + "\", in every pooled row");
        }
        std::vector<std::size_t> levelOf(k);
        for (std::size_t study = 0; study < k; ++study) {
            levelOf[study] = index[text(study)];
        }
        AddIndicators(design.x, design.names, columns[c], levels, levelOf);
        design.notes.push_back(columns[c] + " is categorical, as not all its values are numbers: " +
                               LevelsText(levels));
    }
    return design;
}

ModeratorDesign GroupDesign(std::span<const std::string> groups) {
    std::vector<std::string> levels;
    std::map<std::string, std::size_t> index;
    std::vector<std::size_t> levelOf;
    for (const std::string& group : groups) {
        const auto [at, added] = index.emplace(group, levels.size());
        if (added) {
            levels.push_back(group);
        }
        levelOf.push_back(at->second);
    }
    ModeratorDesign design{
        meta::Design::Ones(static_cast<Eigen::Index>(groups.size()), 1), {"intercept"}, {}};
    AddIndicators(design.x, design.names, "group", levels, levelOf);
    return design;
}

} // namespace tavrel::table
