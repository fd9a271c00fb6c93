# Every published two-group table of means, SDs (or SEs) and sizes that R's metadat ships, run
# end to end: per row, yi and vi against metafor's escalc(measure = "SMD"); then k and every
# pooled value against rma() and predict() on escalc's own yi and vi, for each method and
# test, each to 1e-8 relative (1e-10 for yi and vi).
#   Rscript metadat.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))
suppressPackageStartupMessages(library(metadat))
# |ours - theirs| relative to theirs, where both exist; 0 where both are the same value.
relative <- function(ours, theirs) {
  ifelse(ours == theirs, 0, abs(ours - theirs) / pmax(abs(theirs), 1e-300))
}

# Each table as (experimental, control): metafor's group 1 is the experimental group, our
# group 2. Tables that report standard errors give sd = se * sqrt(n).
tables <- list(
  normand1999 = with(dat.normand1999, list(m2 = m1i, sd2 = sd1i, n2 = n1i,
                                           m1 = m2i, sd1 = sd2i, n1 = n2i)),
  curtis1998 = with(dat.curtis1998, list(m2 = m1i, sd2 = sd1i, n2 = n1i,
                                         m1 = m2i, sd1 = sd2i, n1 = n2i)),
  gibson2002 = with(dat.gibson2002, list(m2 = m1i, sd2 = sd1i, n2 = n1i,
                                         m1 = m2i, sd1 = sd2i, n1 = n2i)),
  dagostino1998 = with(dat.dagostino1998, list(m2 = mt, sd2 = sdt, n2 = nt,
                                               m1 = mc, sd1 = sdc, n1 = nc)),
  lehmann2018 = with(dat.lehmann2018, list(m2 = Red_M, sd2 = Red_SD, n2 = Red_N,
                                           m1 = Control_M, sd1 = Control_SD, n1 = Control_N)),
  michael2013 = with(dat.michael2013, list(m2 = Brain_m, sd2 = Brain_s, n2 = Brain_n,
                                           m1 = No_brain_m, sd1 = No_brain_s, n1 = No_brain_n)),
  besson2016 = with(dat.besson2016, list(m2 = exp_mean, sd2 = exp_se * sqrt(exp_n), n2 = exp_n,
                                         m1 = con_mean, sd1 = con_se * sqrt(con_n),
                                         n1 = con_n)),
  # Arm-based tables of several treatments: the second arm against the first.
  franchini2012 = with(dat.franchini2012, list(m2 = y2, sd2 = sd2, n2 = n2,
                                               m1 = y1, sd1 = sd1, n1 = n1)),
  stowe2010 = with(dat.stowe2010, list(m2 = y2, sd2 = sd2, n2 = n2, m1 = y1, sd1 = sd1, n1 = n1))
)

for (name in names(tables)) {
  t <- tables[[name]]
  d <- data.frame(study = paste0(name, "-", seq_along(t$m1)), m1 = t$m1, sd1 = t$sd1, n1 = t$n1,
                  m2 = t$m2, sd2 = t$sd2, n2 = t$n2)
  csv <- file.path(work, paste0(name, ".csv"))
  # As a paper's table is written: every digit R holds, NA where a value is missing.
  write.csv(format(d, digits = 17), csv, row.names = FALSE, quote = FALSE, na = "NA")
  e <- suppressWarnings(escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1,
                               sd2i = sd1, n2i = n1, data = d))
  usable <- is.finite(e$yi) & is.finite(e$vi)
  for (method in c("REML", "ML", "DL", "PM", "SJ", "HE", "HS", "EB", "FE")) {
    for (test in c("z", "knha")) {
      what <- paste(name, method, test)
      json <- file.path(work, "summary.json")
      rows <- file.path(work, "rows.csv")
      unlink(c(json, rows))
      status <- system2(tool, c("--method", method, "--test", test, "--summary", json, "-o",
                                rows, csv), stderr = FALSE)
      if (!(status %in% c(0, 1))) { check(FALSE, paste(what, ": exit status", status)); next }
      ours <- read.csv(rows, check.names = FALSE)
      pooled <- !is.na(ours$yi)
      check(identical(pooled, usable), paste(what, ": the rows with an effect size"))
      if (method == "REML" && test == "z") {
        check(relative(ours$yi[pooled], e$yi[pooled]) <= 1e-10, paste(what, ": yi"))
        check(relative(ours$vi[pooled], e$vi[pooled]) <= 1e-10, paste(what, ": vi"))
        # Every row that gives no g says why.
        check(all(nzchar(ours$error[!pooled])), paste(what, ": rows without g say why"))
      }
      r <- suppressWarnings(rma(e$yi[usable], e$vi[usable], method = method, test = test,
                                control = control))
      p <- predict(r)
      s <- fromJSON(json)
      expected <- c(k = r$k, estimate = r$b[1], se = r$se, statistic = r$zval, p = r$pval,
                    ci_low = r$ci.lb, ci_high = r$ci.ub, tau2 = r$tau2, tau = sqrt(r$tau2),
                    i2 = r$I2, h2 = r$H2, q = r$QE, q_df = r$k - 1, q_p = r$QEp,
                    pi_low = p$pi.lb, pi_high = p$pi.ub)
      for (key in names(expected)) {
        difference <- relative(as.numeric(s[[key]]), expected[[key]])
        # tau^2 at its boundary: an absolute difference, on the scale of the variances.
        if (key %in% c("tau2", "tau", "i2") && expected[["tau2"]] < 1e-8) {
          difference <- abs(as.numeric(s[[key]]) - expected[[key]]) /
            max(1, median(e$vi[usable]))
        }
        largest <- max(largest, difference, na.rm = TRUE)
        check(isTRUE(difference <= 1e-8),
              sprintf("%s: %s is %.17g, metafor %.17g", what, key, as.numeric(s[[key]]),
                      expected[[key]]))
      }
    }
  }
  cat(sprintf("%s: %d of %d rows pooled, as metafor\n", name, sum(usable), nrow(d)))
}

if (failures > 0) quit(status = 1)
cat(sprintf("every published table agrees with metafor %s; largest relative difference %.3g\n",
            as.character(packageVersion("metafor")), largest))
