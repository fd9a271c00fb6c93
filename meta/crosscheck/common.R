# What every cross-check script shares, sourced first by each: its arguments (the tool and a
# work folder of its own), the count of failures, how a failure is told, metafor's tight
# convergence, and the comparison to a relative tolerance.
#   source(file.path(here, "common.R")) after `here` is the scripts' folder
args <- commandArgs(trailingOnly = TRUE)
tool <- args[1]
work <- args[2]
suppressPackageStartupMessages({ library(metafor); library(jsonlite) })
failures <- 0
largest <- 0
check <- function(ok, what) {
  if (!isTRUE(all(ok))) { cat("FAIL:", what, "\n"); failures <<- failures + 1 }
}
# metafor with tight convergence, in every fit and refit.
control <- list(threshold = 1e-12, tol = 1e-12, maxiter = 1000)
methods <- c("REML", "ML", "DL", "PM", "SJ", "HE", "HS", "EB", "FE")
# Relative to metafor's value, or absolute below 1 (a p near 0, an R^2 at 0); the largest gap
# is kept for the closing line. A value missing from our summary (a JSON null read as NULL)
# fails; a value metafor gives as infinite (a residual over a standard error of 0) is empty in
# ours, and NA on both sides agrees.
near <- function(ours, theirs, tolerance, what) {
  theirs[is.infinite(theirs)] <- NA
  if (length(ours) != length(theirs)) {
    check(FALSE, sprintf("%s: %d values, metafor %d", what, length(ours), length(theirs)))
    return()
  }
  both <- is.na(ours) & is.na(theirs)
  gap <- ifelse(both, 0, abs(ours - theirs) / pmax(1, abs(theirs)))
  if (any(!both)) largest <<- max(largest, gap[!both & is.finite(gap)], 0)
  check(all(both | (!is.na(gap) & gap <= tolerance)),
        sprintf("%s: ours %s, metafor %s", what, paste(signif(ours, 17), collapse = " "),
                paste(signif(theirs, 17), collapse = " ")))
}
