# Subgroups (--by) against metafor: each group of two or more studies against
# rma(yi, vi, subset = group == g), every key of its summary, for four estimators and both
# tests; the test for subgroup differences against rma(estimates, sei = se, method = "FE")'s
# QE; a group of one study as that study's estimate and interval.
#   Rscript subgroups.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))
set.seed(20261207)
k <- 40
groups <- c(rep("North", 14), rep("South", 12), rep("", 13), "West")
n1 <- sample(10:150, k, replace = TRUE)
n2 <- sample(10:150, k, replace = TRUE)
shift <- c(North = 0.2, South = 0.6, West = 0.4)[groups]
shift[is.na(shift)] <- 0.3
m1 <- round(runif(k, 80, 120), 2)
sd1 <- round(runif(k, 5, 20), 2)
sd2 <- round(sd1 * runif(k, 0.8, 1.2), 2)
m2 <- round(m1 + (shift + rnorm(k, 0, 0.25)) * sd1, 2)
csv <- file.path(work, "groups.csv")
write.csv(data.frame(study = paste0("S", 1:k), region = groups, m1, sd1, n1, m2, sd2, n2), csv,
          row.names = FALSE, quote = FALSE)
close <- function(ours, theirs, tolerance = 1e-8) {
  isTRUE(abs(ours - theirs) <= tolerance * max(1, abs(theirs)))
}
for (method in c("REML", "DL", "PM", "FE")) {
  for (test in c("z", "knha")) {
    what <- paste(method, test)
    json <- file.path(work, "groups.json")
    rows <- file.path(work, "groups.out.csv")
    status <- system2(tool, c("--by", "region", paste0("--method=", method),
                                 paste0("--test=", test), "--summary", json, "-o", rows, csv),
                      stderr = FALSE)
    if (status != 0) { check(FALSE, paste(what, ": exit status", status)); next }
    d <- read.csv(rows, check.names = FALSE, na.strings = "NA", colClasses = c(region = "character"))
    s <- fromJSON(json)
    sub <- s$subgroups
    check(identical(sub$group, c("North", "South", "(empty)", "West")), paste(what, ": groups"))
    for (i in seq_len(nrow(sub))) {
      g <- if (sub$group[i] == "(empty)") "" else sub$group[i]
      rowsOf <- d$region == g
      if (sum(rowsOf) == 1) {
        check(close(sub$estimate[i], d$yi[rowsOf]) && close(sub$se[i], sqrt(d$vi[rowsOf])) &&
                is.na(sub$tau2[i]) && nzchar(sub$note[i]), paste(what, g, ": one study"))
        next
      }
      r <- rma(d$yi[rowsOf], d$vi[rowsOf], method = method, test = test, control = control)
      p <- predict(r)
      expected <- c(k = r$k, estimate = r$b[1], se = r$se, statistic = r$zval, p = r$pval,
                    ci_low = r$ci.lb, ci_high = r$ci.ub, tau2 = r$tau2, i2 = r$I2, h2 = r$H2,
                    q = r$QE, q_p = r$QEp, pi_low = p$pi.lb, pi_high = p$pi.ub)
      for (key in names(expected)) {
        ours <- sub[[key]][i]
        # tau^2 at its boundary, where metafor stops a hair above 0.
        if (key %in% c("tau2", "i2", "h2") && r$tau2 < 1e-8) next
        check(close(ours, expected[[key]]),
              sprintf("%s %s: %s is %.17g, metafor %.17g", what, g, key, ours, expected[[key]]))
      }
    }
    fe <- rma(sub$estimate, sei = sub$se, method = "FE")
    check(close(s$subgroup_q, fe$QE) && close(s$subgroup_q_p, fe$QEp) &&
            s$subgroup_q_df == nrow(sub) - 1, paste(what, ": the test for subgroup differences"))
  }
}
if (failures > 0) quit(status = 1)
cat("every subgroup and the test for their differences agree with metafor",
    as.character(packageVersion("metafor")), "\n")
