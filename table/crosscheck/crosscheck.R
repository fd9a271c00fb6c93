# Compares tavrel-batch's output with metafor's escalc(measure = "SMD") and with a reference
# noncentral-t interval computed here. The table has groups of 2 to 60, so every small df.
#   Rscript crosscheck.R OUTPUT.csv
args <- commandArgs(trailingOnly = TRUE)
suppressPackageStartupMessages(library(metafor))
d <- read.csv(args[1], check.names = FALSE)
d <- d[d$mode == "AllResults", ]

# metafor's group 1 is the treatment: our experimental group.
e <- escalc(measure = "SMD", m1i = d$m2, sd1i = d$sd2, n1i = d$n2, m2i = d$m1, sd2i = d$sd1,
            n2i = d$n1)
failures <- 0
check <- function(ok, what) {
  if (!isTRUE(all(ok))) {
    cat("FAIL:", what, "in", sum(!ok, na.rm = TRUE), "rows,", sum(is.na(ok)), "not comparable\n")
    failures <<- failures + 1
  }
}
relative <- function(ours, theirs) ifelse(ours == theirs, 0, abs(ours - theirs) / abs(theirs))
# The exact correction at every df, as escalc's: yi and vi to 1e-10 relative on every row.
check(relative(d$yi, e$yi) <= 1e-10, "yi")
check(relative(d$vi, e$vi) <= 1e-10, "vi")
# The factor by R's lgamma, as metafor computes it, is itself only as exact as the difference
# of two large logarithms: within a few units in their last place.
check(relative(d$bias_factor, exp(lgamma(d$df / 2) - lgamma((d$df - 1) / 2)) / sqrt(d$df / 2))
      <= 1e-15 * (1 + lgamma(d$df / 2)), "correction factor")

# The exact interval for d: the noncentrality parameters at which the observed t sits at
# 97.5% and 2.5% of the noncentral t distribution.
if ("d_ci_low" %in% names(d)) {
  s <- head(d, 200)
  scale <- sqrt(s$n1 * s$n2 / (s$n1 + s$n2))
  bound <- function(t, df, p) {
    uniroot(function(x) suppressWarnings(pt(t, df, x)) - p, c(t - 40, t + 40), tol = 1e-12)$root
  }
  low <- mapply(bound, s$cohen_d * scale, s$df, 0.975) / scale
  high <- mapply(bound, s$cohen_d * scale, s$df, 0.025) / scale
  check(abs(s$d_ci_low - low) <= 1e-6 & abs(s$d_ci_high - high) <= 1e-6, "noncentral interval")
}

cat(sprintf("%d rows compared with metafor %s\n", nrow(d), packageVersion("metafor")))
if (failures > 0) quit(status = 1)
