#include "shell/information_window.h"

#include "platform/key_kinds.h"
#include "platform/layout_widgets.h"
#include "resources/pictures.h"
#include "shell/notices.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <array>

namespace tavrel::shell {

namespace {

using platform::Align;
using platform::ControlKind;
using platform::kBlack;
using platform::kDarkRed;
using platform::LayoutItem;

// Equations are pictures, described in words for screen readers.
constexpr LayoutItem Equation(platform::Bounds bounds, platform::PictureGetter picture,
                              std::string_view description) {
    return {.kind = ControlKind::Picture,
            .bounds = bounds,
            .enabled = false,
            .picture = picture,
            .accessibleName = description};
}

constexpr LayoutItem Text(platform::Bounds bounds, std::string_view text, int points,
                          platform::Rgb color, Align align = Align::Left) {
    return {.kind = ControlKind::Label,
            .bounds = bounds,
            .text = text,
            .font = {"System", points, false},
            .textColor = color,
            .align = align,
            .multiLine = true};
}

// Entries separated by carriage returns, the second indented by three spaces, not four.
constexpr std::string_view kReferences =
    "    Cooke, D., Craven, A. H., & Clarke, G. M. (1990). Basic statistical computing (2nd "
    "Ed.). London: Edward Arnold. [Algorithm 8.4, normal probability calculation]\r"
    "   Grissom, R. (1994). Probability of the superior outcome of one treatment over another. "
    "Journal of Applied Psychology, 79, 314-316.\r"
    "    McGraw, K. O., & Wong, S. P. (1992). A common language effect size statistic. "
    "Psychological Bulletin, 111, 361-365.\r"
    "    Normand, S.-L. T. (1999). Meta-analysis: Formulating, evaluating, combining, and "
    "reporting. Statistics in Medicine, 18, 321-359.\r"
    "    Thompson, B. (2002). \"Statistical,\" \"practical,\" and \"clinical\": How many kinds "
    "of significance do counselors need to consider? Journal of Counseling & Development, 80, "
    "64-71.\r\r\r";

constexpr platform::WindowLayout kWindow{.title = "Information", .width = 602, .height = 575};

const std::array kItems = {
    Equation({211, 82, 192, 103}, &pictures::PooledSDEquation,
             "Pooled standard deviation: the square root of ((nC - 1) sC squared plus "
             "(nE - 1) sE squared) over (nC + nE - 2)"),
    Equation({34, 82, 131, 112}, &pictures::CohensDEquation,
             "d equals the experimental mean minus the control mean, over the pooled standard "
             "deviation"),
    Text({20, 305, 562, 181}, kReferences, 11, kBlack),
    Text({22, 446, 560, 137}, kInformationNotice, 9, kDarkRed),
    Text({34, 6, 534, 91},
         "The standardized effect size (d) between Experimental and Control groups using the "
         "pooled standard deviation.",
         18, kBlack, Align::Centre),
    Equation({34, 152, 234, 103}, &pictures::UnbiasedDEquation,
             "Unbiased d equals c(m) times d, with m = nC + nE - 2 and c(m) = 1 - 3 / (4m - 1) "
             "for m above 50"),
    Text({423, 82, 145, 112},
         "To calculate pooled standard deviation only, enter sample standard deviations and "
         "sizes.",
         12, kBlack),
    Equation({418, 222, 133, 106}, &pictures::CommonLanguageEquation,
             "Common language effect size: z equals the absolute mean difference over the square "
             "root of sC squared plus sE squared; CL equals Phi of z"),
    Equation({34, 222, 263, 61}, &pictures::UnbiasedDSDEquation,
             "Standard deviation of unbiased d: the square root of (nC + nE) over nC nE plus "
             "unbiased d squared over 2 (nC + nE)"),
    Text({309, 161, 249, 94},
         "With exact values of the bias correction factor used for df = 2 through 50, as per "
         "Hedges and Olkin (1985, p. 80).",
         12, kBlack),
};

} // namespace

InformationWindow::InformationWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("information"));
    platform::BuildFixedWindow(*this, kWindow, kItems);
}

void InformationWindow::keyPressEvent(QKeyEvent* event) {
    if (platform::IsPlainKey(*event)) {
        hide();
    }
    QMainWindow::keyPressEvent(event);
}

void InformationWindow::mousePressEvent(QMouseEvent* event) {
    hide();
    QMainWindow::mousePressEvent(event);
}

} // namespace tavrel::shell
