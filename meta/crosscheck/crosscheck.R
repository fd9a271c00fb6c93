# Pools generated tables with tavrel-batch --meta and with metafor's rma() and predict(), for
# every estimator of tau^2 and test, and compares every value of the JSON summary; then the tables on
# which REML's Fisher scoring alone fails: one study that dominates, and tau^2 far above 1.
# metafor runs with tight convergence (threshold 1e-12, up to 1000 steps).
#   Rscript crosscheck.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))
largest <- list(difference = 0, where = "")
unconverged <- 0

# Tables of summary statistics whose standardized differences spread by tau around mu.
table <- function(k, tau, mu = 0.4, sizes = c(5, 200), dominant = FALSE) {
  n1 <- sample(sizes[1]:sizes[2], k, replace = TRUE)
  n2 <- sample(sizes[1]:sizes[2], k, replace = TRUE)
  if (dominant) { n1[1] <- 5000; n2[1] <- 5000 }
  theta <- rnorm(k, mu, tau)
  sd1 <- round(runif(k, 5, 25), 2)
  sd2 <- round(sd1 * runif(k, 0.8, 1.25), 2)
  se <- sqrt(1 / n1 + 1 / n2)
  m1 <- round(runif(k, 80, 120), 2)
  m2 <- round(m1 + (theta + rnorm(k, 0, se)) * (sd1 + sd2) / 2, 2)
  data.frame(study = paste0("S", seq_len(k)), m1 = m1, sd1 = sd1, n1 = n1, m2 = m2,
             sd2 = sd2, n2 = n2)
}

# The JSON summary, read key by key (every value is a number, a string or null).
summary_of <- function(file) {
  lines <- grep(":", readLines(file), value = TRUE)
  keys <- sub('^ *"([a-z0-9_]+)".*', "\\1", lines)
  values <- sub('^[^:]*: *"?([^",]*)"?,?$', "\\1", lines)
  setNames(as.list(values), keys)
}

# The REML score y'PPy - tr(P) at tau2, relative to tr(P): zero at an inner maximum, and not
# positive at 0 where the maximum lies on the boundary.
reml_score <- function(yi, vi, tau2) {
  w <- 1 / (vi + tau2)
  mean <- sum(w * yi) / sum(w)
  traceP <- sum(w) - sum(w^2) / sum(w)
  (sum((w * (yi - mean))^2) - traceP) / traceP
}

intervals <- list()
compare <- function(name, csv, method, test) {
  json <- file.path(work, "summary.json")
  rows <- file.path(work, "rows.csv")
  status <- system2(tool, c("--meta", paste0("--method=", method), paste0("--test=", test),
                            "--summary", json, "-o", rows, csv), stderr = FALSE)
  what <- paste(name, method, test)
  if (status != 0) { check(FALSE, paste(what, ": exit status", status)); return() }
  d <- read.csv(rows, check.names = FALSE)
  d <- d[d$mode == "AllResults", ]
  s <- summary_of(json)
  num <- function(key) as.numeric(s[[key]])
  r <- tryCatch(suppressWarnings(rma(d$yi, d$vi, method = method, test = test, control = control)),
                error = function(e) NULL)
  if (is.null(r)) {
    # Where metafor does not converge, the maximum is checked by its own equation.
    score <- reml_score(d$yi, d$vi, num("tau2"))
    check(if (num("tau2") > 0) abs(score) < 1e-9 else score <= 1e-9,
          sprintf("%s: metafor does not converge, and the score at tau2 = %.17g is %g", what,
                  num("tau2"), score))
    unconverged <<- unconverged + 1
    return()
  }
  p <- predict(r)
  expected <- c(estimate = r$b[1], se = r$se, statistic = r$zval, p = r$pval,
                ci_low = r$ci.lb, ci_high = r$ci.ub, tau2 = r$tau2, tau = sqrt(r$tau2),
                i2 = r$I2, h2 = r$H2, q = r$QE, q_df = r$k - 1, q_p = r$QEp,
                pi_low = p$pi.lb, pi_high = p$pi.ub)
  # REML's and ML's tau2 where the likelihood is flat (k = 2) is only as exact as its stopping
  # rule.
  tolerance <- if (method %in% c("REML", "ML", "EB") && r$k <= 2) 1e-6 else 1e-8
  for (key in names(expected)) {
    difference <- abs(num(key) - expected[[key]])
    # tau at its boundary: metafor creeps towards 0 and stops a hair above it; the square
    # root magnifies that hair, so tau2 is what is compared there.
    if (key == "tau" && expected[["tau2"]] < 1e-8) {
      difference <- abs(num("tau2") - expected[["tau2"]])
    }
    if (isTRUE(difference > largest$difference)) {
      largest <<- list(difference = difference, where = paste(what, key))
    }
    check(difference <= tolerance * max(1, abs(expected[[key]])),
          sprintf("%s: %s is %.17g, metafor %.17g", what, key, num(key), expected[[key]]))
  }
  check(s$method == method && s$test == test && num("k") == r$k, paste(what, ": labels"))
  # The Q-profile intervals of tau^2, tau, I^2 and H^2 (confint, tight tol): null for a model
  # without tau^2, and where the bound lies beyond metafor's search limit.
  keys <- c("tau2", "tau", "i2", "h2")
  if (method %in% c("FE", "EE", "CE")) {
    check(all(is.na(sapply(paste0(keys, "_ci_low"), num))), paste(what, ": intervals not null"))
    return()
  }
  # The interval depends on the table and the search limit alone, not on the estimator or
  # the test: worked out once for each (metafor's Q for 2,000 studies takes a while).
  limit <- max(100, 10 * r$tau2)
  cached <- paste(name, limit)
  if (is.null(intervals[[cached]])) {
    intervals[[cached]] <<- confint(r, type = "QP", control = list(tol = 1e-12))$random
  }
  ci <- intervals[[cached]]
  for (i in seq_along(keys)) {
    for (end in c("low", "high")) {
      key <- paste0(keys[i], "_ci_", end)
      theirs <- ci[i, if (end == "low") "ci.lb" else "ci.ub"]
      beyond <- abs(ci[1, if (end == "low") "ci.lb" else "ci.ub"] - limit) < 1e-9 * limit
      ours <- num(key)
      ok <- if (beyond) is.na(ours) else isTRUE(abs(ours - theirs) <= 1e-6 * max(1, abs(theirs)))
      check(ok, sprintf("%s: %s is %.17g, metafor %.17g", what, key, ours, theirs))
    }
  }
}

set.seed(20261206)
tables <- list(
  two = table(2, 0.3),
  three = table(3, 0.3),
  ten_heterogeneous = table(10, 0.4),
  ten_homogeneous = table(10, 0, sizes = c(100, 400)),
  hundred = table(100, 0.2),
  two_thousand = table(2000, 0.25),
  one_dominant = table(20, 0.3, dominant = TRUE)
)
for (name in names(tables)) {
  csv <- file.path(work, paste0(name, ".csv"))
  write.csv(tables[[name]], csv, row.names = FALSE, quote = FALSE)
  # The test does not change tau^2, and Knapp and Hartung's is checked on 2 to 100 studies:
  # 2,000 are fitted under z alone, as metafor's REML and ML of 2,000 take minutes each.
  tests <- if (nrow(tables[[name]]) > 100) "z" else c("z", "knha")
  for (method in c("REML", "ML", "DL", "PM", "SJ", "HE", "HS", "EB", "FE", "EE", "CE")) {
    for (test in tests) {
      compare(name, csv, method, test)
    }
  }
}

# The model without each study, against leave1out() (on 10 and 100 studies: metafor refits
# with k x k matrices, and 2,000 would take it hours).
compare_leave_one_out <- function(name, csv, method, test) {
  loo <- file.path(work, "loo.csv")
  rows <- file.path(work, "rows.csv")
  what <- paste(name, method, test, "leave-one-out")
  status <- system2(tool, c(paste0("--method=", method), paste0("--test=", test),
                            "--leave-one-out", loo, "-o", rows, csv), stderr = FALSE)
  if (status != 0) { check(FALSE, paste(what, ": exit status", status)); return() }
  d <- read.csv(rows, check.names = FALSE)
  d <- d[d$mode == "AllResults", ]
  ours <- read.csv(loo)
  r <- rma(d$yi, d$vi, method = method, test = test,
           control = control)
  theirs <- as.data.frame(leave1out(r))
  pairs <- c(estimate = "estimate", se = "se", statistic = if (test == "z") "zval" else "tval",
             p = "pval", ci_low = "ci.lb", ci_high = "ci.ub", q = "Q", q_p = "Qp",
             tau2 = "tau2", i2 = "I2", h2 = "H2")
  check(identical(as.character(ours$study), as.character(d$study)), paste(what, ": studies"))
  for (key in names(pairs)) {
    expected <- theirs[[pairs[[key]]]]
    if (method %in% c("FE", "EE", "CE") && key == "tau2") expected <- rep(0, nrow(theirs))
    if (is.null(expected)) next
    difference <- abs(ours[[key]] - expected) / pmax(1, abs(expected))
    # tau^2 at its boundary, where metafor stops a hair above 0.
    if (key %in% c("tau2", "i2", "h2")) difference[expected < 1e-6 & ours$tau2 == 0] <- 0
    check(all(difference <= 1e-8), sprintf("%s: %s differs by up to %.3g", what, key,
                                           max(difference)))
  }
}
for (name in c("ten_heterogeneous", "hundred")) {
  for (method in c("REML", "ML", "DL", "PM", "FE")) {
    for (test in c("z", "knha")) {
      compare_leave_one_out(name, file.path(work, paste0(name, ".csv")), method, test)
    }
  }
}

# One study of 5,000 per group beside eleven of 30 to 110, where metafor needs hundreds of
# steps; and mean differences of 2,000 to 30,000 SDs, tau^2 near 1e8.
for (seed in 1:5) {
  set.seed(seed)
  dominant <- table(12, 0.05, sizes = c(30, 110), dominant = TRUE)
  wide <- table(10, 0.3)
  wide$sd1 <- 1
  wide$sd2 <- 1
  wide$m2 <- wide$m1 + round(runif(10, 2000, 30000))
  for (name in c("dominant", "wide")) {
    csv <- file.path(work, paste0(name, seed, ".csv"))
    write.csv(get(name), csv, row.names = FALSE, quote = FALSE)
    compare(paste(name, seed), csv, "REML", "z")
  }
}

if (failures > 0) quit(status = 1)
cat(unconverged, "tables where metafor does not converge satisfy the REML score equation\n")
cat("every value agrees with metafor", as.character(packageVersion("metafor")),
    sprintf("; the largest difference: %.3g (%s)\n", largest$difference, largest$where))
