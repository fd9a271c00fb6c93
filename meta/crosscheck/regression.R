# Meta-regression (--mods) and the groups of --by as a moderator against metafor: every
# coefficient, QM, QE, R^2, tau^2, I^2, H^2 and the Q-profile intervals against
# rma(yi, vi, mods = ..., method, test) and confint() with tight convergence, on generated
# tables (k = 3, 10, 100 and 2,000; tau^2 0 and large; one dominant study; a numeric, a year-like
# and a categorical moderator; a factor of fifteen levels), on dat.normand1999 by the city of its source and on
# dat.curtis1998 by time and functional group, for every estimator and both tests; the per-row
# weight, hat, residual and Cook's distance, with and without moderators, against weights(),
# hatvalues() and influence()'s rstudent and cook.d.
#   Rscript regression.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))
suppressPackageStartupMessages(library(metadat))

# Runs tavrel-batch on a table written from `d` and returns its summary and output table.
run <- function(d, options, name) {
  csv <- file.path(work, paste0(name, ".csv"))
  write.csv(format(d, digits = 17), csv, row.names = FALSE, quote = FALSE, na = "NA")
  json <- file.path(work, paste0(name, ".json"))
  out <- file.path(work, paste0(name, ".out.csv"))
  status <- system2(tool, c(options, "--summary", json, "-o", out, csv), stderr = FALSE)
  if (status > 1) return(NULL)
  list(summary = fromJSON(json),
       rows = read.csv(out, check.names = FALSE, colClasses = "character"))
}
number <- function(text) suppressWarnings(as.numeric(text))

compare <- function(what, s, r, rows = NULL, intervals = TRUE) {
  co <- s$coefficients
  near(co$estimate, as.vector(r$beta), 1e-8, paste(what, "coefficients"))
  near(co$se, r$se, 1e-8, paste(what, "se"))
  near(co$statistic, r$zval, 1e-8, paste(what, "statistic"))
  near(co$p, r$pval, 1e-8, paste(what, "p"))
  near(c(co$ci_low, co$ci_high), c(r$ci.lb, r$ci.ub), 1e-8, paste(what, "intervals"))
  near(c(s$qm, s$qm_p, s$qe, s$qe_p), c(r$QM, r$QMp, r$QE, r$QEp), 1e-8, paste(what, "QM, QE"))
  check(s$qm_df == r$QMdf[1] && s$qe_df == r$k - r$p, paste(what, "df"))
  if (r$test == "knha") check(s$qm_df2 == r$QMdf[2], paste(what, "qm_df2"))
  boundary <- r$tau2 < 1e-8 * max(r$vi) # metafor stops a hair above 0
  if (!boundary) near(c(s$tau2, s$i2, s$h2), c(r$tau2, r$I2, r$H2), 1e-8, paste(what, "tau2"))
  if (!boundary || r$method == "FE") near(s$r2, r$R2, 1e-8, paste(what, "R2"))
  if (intervals && !(r$method %in% c("FE", "EE", "CE"))) {
    # A bound beyond metafor's search limit is null in ours and the limit in metafor's.
    ci <- confint(r, control = list(tol = 1e-12))$random
    limit <- max(100, 10 * r$tau2)
    value <- function(x) if (is.null(x)) NA else x
    for (end in c("low", "high")) {
      column <- if (end == "low") "ci.lb" else "ci.ub"
      beyond <- abs(ci["tau^2", column] - limit) < 1e-9 * limit
      ours <- c(value(s[[paste0("tau2_ci_", end)]]), value(s[[paste0("i2_ci_", end)]]))
      theirs <- if (beyond) c(NA, NA) else c(ci["tau^2", column], ci["I^2(%)", column])
      near(ours, theirs, 1e-6, paste(what, "tau2 and I2 interval", end))
    }
  }
  if (!is.null(rows)) {
    inf <- influence(r)$inf
    used <- rows$weight != ""
    near(number(rows$weight[used]), as.vector(weights(r)), 1e-8, paste(what, "weight"))
    near(number(rows$hat[used]), as.vector(hatvalues(r)), 1e-8, paste(what, "hat"))
    near(number(rows$residual[used]), inf$rstudent, 1e-6, paste(what, "residual"))
    near(number(rows$cooks_distance[used]), inf$cook.d, 1e-6, paste(what, "cooks_distance"))
  }
}

# A generated table: sizes, SDs and means whose effect grows with dose and differs by design.
generate <- function(k, tau, dominant = FALSE) {
  n1 <- sample(8:120, k, replace = TRUE)
  n2 <- sample(8:120, k, replace = TRUE)
  if (dominant) { n1[1] <- 40000; n2[1] <- 40000 }
  dose <- round(runif(k, 0, 10), 2)
  year <- sample(1985:2024, k, replace = TRUE)
  design <- sample(c("parallel", "crossover", "cluster"), k, replace = TRUE)
  theta <- 0.1 + 0.04 * dose + c(parallel = 0, crossover = 0.2, cluster = -0.1)[design] +
    rnorm(k, 0, tau)
  m1 <- round(runif(k, 40, 60), 2)
  sd1 <- round(runif(k, 5, 15), 2)
  sd2 <- round(sd1 * runif(k, 0.8, 1.25), 2)
  m2 <- round(m1 + theta * sd1 + rnorm(k, 0, sd1 / sqrt(n1)), 2)
  data.frame(study = paste0("S", seq_len(k)), dose, year, design, m1, sd1, n1, m2, sd2, n2)
}

set.seed(20261207)
tables <- list(
  list(name = "k3", d = generate(3, 0.3), mods = "dose"),
  list(name = "k10", d = generate(10, 0.3), mods = "dose,design"),
  list(name = "k10-homogeneous", d = generate(10, 0), mods = "dose"),
  list(name = "k100", d = generate(100, 0.4), mods = "dose,year,design"),
  list(name = "k100-large", d = generate(100, 3), mods = "dose,design"),
  list(name = "k40-dominant", d = generate(40, 0.3, dominant = TRUE), mods = "dose")
)
formula <- function(mods, d) {
  terms <- strsplit(mods, ",")[[1]]
  terms <- ifelse(sapply(d[terms], is.character), paste0("factor(", terms, ")"), terms)
  as.formula(paste("~", paste(terms, collapse = " + ")))
}
for (t in tables) {
  e <- escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1, sd2i = sd1, n2i = n1,
              data = t$d)
  for (method in methods) {
    for (test in c("z", "knha")) {
      what <- paste(t$name, method, test)
      got <- run(t$d, c("--mods", t$mods, paste0("--method=", method), paste0("--test=", test)),
                 "table")
      if (is.null(got)) { check(FALSE, paste(what, ": did not run")); next }
      r <- rma(yi, vi, mods = formula(t$mods, t$d), data = e, method = method, test = test,
               control = control)
      compare(what, got$summary, r, if (nrow(t$d) <= 10) got$rows)
    }
  }
}

# A factor of many levels (fifteen labs of four studies each) beside a dose: our fit absorbs
# the factor rather than decompose a column a lab. Every row's influence too.
labs <- generate(60, 0.3)
labs$lab <- sample(sprintf("lab%02d", rep(1:15, each = 4)))
e <- escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1, sd2i = sd1, n2i = n1,
            data = labs)
for (method in c("REML", "ML", "DL", "PM", "FE")) {
  for (test in c("z", "knha")) {
    what <- paste("k60 in 15 labs", method, test)
    got <- run(labs, c("--mods", "dose,lab", paste0("--method=", method),
                       paste0("--test=", test)), "labs")
    r <- rma(yi, vi, mods = ~ dose + factor(lab), data = e, method = method, test = test,
             control = control)
    compare(what, got$summary, r, got$rows)
  }
}

# Without moderators: each study's part in the pooled model, for every estimator and test.
for (t in tables[sapply(tables, function(t) nrow(t$d) <= 40)]) {
  e <- escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1, sd2i = sd1, n2i = n1,
              data = t$d)
  for (method in if (nrow(t$d) > 10) c("REML", "DL", "FE") else methods) {
    for (test in c("z", "knha")) {
      what <- paste(t$name, method, test, "without moderators")
      got <- run(t$d, c("--meta", paste0("--method=", method), paste0("--test=", test)), "pooled")
      r <- rma(yi, vi, data = e, method = method, test = test, control = control)
      inf <- influence(r)$inf
      rows <- got$rows
      near(number(rows$weight), as.vector(weights(r)), 1e-8, paste(what, "weight"))
      near(number(rows$hat), as.vector(hatvalues(r)), 1e-8, paste(what, "hat"))
      near(number(rows$residual), inf$rstudent, 1e-6, paste(what, "residual"))
      near(number(rows$cooks_distance), inf$cook.d, 1e-6, paste(what, "cooks_distance"))
    }
  }
}

# Two thousand studies: the estimators metafor fits at that size in useful time.
big <- generate(2000, 0.3)
e <- escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1, sd2i = sd1, n2i = n1,
            data = big)
for (method in "DL") {
  got <- run(big, c("--mods", "dose,design", paste0("--method=", method)), "big")
  r <- rma(yi, vi, mods = ~ dose + factor(design), data = e, method = method, control = control)
  compare(paste("k2000", method), got$summary, r, intervals = FALSE)
}

# Published tables: dat.normand1999 by its source, dat.curtis1998 by time and functional group.
published <- list(
  normand1999 = with(dat.normand1999, data.frame(study, city = sub("-.*", "", source),
                                                 m2 = m1i, sd2 = sd1i, n2 = n1i,
                                                 m1 = m2i, sd1 = sd2i, n1 = n2i)),
  curtis1998 = with(dat.curtis1998, data.frame(id, time, fungrp, m2 = m1i, sd2 = sd1i, n2 = n1i,
                                               m1 = m2i, sd1 = sd2i, n1 = n2i))
)
mods <- c(normand1999 = "city", curtis1998 = "time,fungrp")
for (name in names(published)) {
  d <- published[[name]]
  d[] <- lapply(d, function(column) if (is.factor(column)) as.character(column) else column)
  e <- escalc(measure = "SMD", m1i = m2, sd1i = sd2, n1i = n2, m2i = m1, sd2i = sd1, n2i = n1,
              data = d)
  for (method in methods) {
    for (test in c("z", "knha")) {
      what <- paste(name, method, test)
      got <- run(d, c("--mods", mods[[name]], paste0("--method=", method),
                      paste0("--test=", test)), name)
      r <- rma(yi, vi, mods = formula(mods[[name]], d), data = e, method = method, test = test,
               control = control)
      compare(what, got$summary, r, if (nrow(d) <= 40) got$rows)
    }
  }
  # The moderator test of --by: the groups under a common tau^2.
  if (name == "normand1999") {
    for (test in c("z", "knha")) {
      got <- run(d, c("--by", "city", paste0("--test=", test)), "by")
      r <- rma(yi, vi, mods = ~ factor(city), data = e, test = test, control = control)
      near(c(got$summary$moderator_qm, got$summary$moderator_qm_p), c(r$QM, r$QMp), 1e-8,
           paste(name, test, "--by moderator test"))
      check(got$summary$moderator_qm_df == r$QMdf[1], paste(name, test, "moderator df"))
    }
  }
}

# dat.bcg without its fourth trial, by latitude and allocation: the ML likelihood peaks both
# inside (tau^2 = 0.041) and, higher, at tau^2 = 0, where metafor settles.
bcg <- escalc(measure = "RR", ai = tpos, bi = tneg, ci = cpos, di = cneg, data = dat.bcg)[-4, ]
d <- data.frame(es = bcg$yi, es_var = bcg$vi, ablat = bcg$ablat, alloc = bcg$alloc)
for (method in c("ML", "REML")) {
  for (test in c("z", "knha")) {
    what <- paste("bcg without trial 4", method, test)
    got <- run(d, c("--mods", "ablat,alloc", paste0("--method=", method),
                    paste0("--test=", test)), "bcg")
    r <- suppressWarnings(rma(yi, vi, mods = ~ ablat + factor(alloc), data = bcg,
                              method = method, test = test, control = control))
    compare(what, got$summary, r, got$rows)
  }
}

if (failures > 0) quit(status = 1)
cat(sprintf("meta-regressions agree with metafor %s (largest relative difference %.2g)\n",
            as.character(packageVersion("metafor")), largest))
