# Compares tavrel-batch's output with metafor's escalc(measure = "SMD") and with a reference
# noncentral-t interval computed here.
#   Rscript crosscheck.R OUTPUT.csv
args <- commandArgs(trailingOnly = TRUE)
suppressPackageStartupMessages(library(metafor))
d <- read.csv(args[1], check.names = FALSE)
d <- d[d$mode == "AllResults", ]

# metafor's group 1 is the treatment: our experimental group.
e <- escalc(measure = "SMD", m1i = d$m2, sd1i = d$sd2, n1i = d$n2, m2i = d$m1, sd2i = d$sd1,
            n2i = d$n1)
large <- d$df > 50
failures <- 0
check <- function(ok, what) {
  if (!isTRUE(all(ok))) {
    cat("FAIL:", what, "in", sum(!ok, na.rm = TRUE), "rows,", sum(is.na(ok)), "not comparable\n")
    failures <<- failures + 1
  }
}
check(abs(d$yi[large] - e$yi[large]) <= 1e-4, "yi, df > 50")
check(abs(d$vi[large] - e$vi[large]) <= 1e-4, "vi, df > 50")
# Below 51 df the factor is the four-decimal table: it agrees with the exact one to within
# the table's rounding (to five decimals, then to four). Equal means leave no factor to see.
small <- !large & d$cohen_d != 0
exact <- e$yi[small] / d$cohen_d[small]
check(abs(d$bias_factor[small] - exact) <= 0.55e-4, "correction factor, df <= 50")
check(abs(d$yi[!large] - e$yi[!large]) <= 0.55e-4 * abs(d$cohen_d[!large]) + 1e-12, "yi, df <= 50")
check(abs(d$vi - (1 / d$n1 + 1 / d$n2 + d$yi^2 / (2 * (d$n1 + d$n2)))) <= 1e-12, "vi formula")

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
