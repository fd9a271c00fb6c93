# Pools generated tables with tavrel-batch --meta and with metafor's rma() and predict(), for
# every method and test, and compares every value of the JSON summary; then runs Normand's
# (1999) nine trials end to end.
#   Rscript crosscheck.R PATH/TO/tavrel-batch WORK_DIR
args <- commandArgs(trailingOnly = TRUE)
tool <- args[1]
work <- args[2]
suppressPackageStartupMessages(library(metafor))
failures <- 0
largest <- list(difference = 0, where = "")
check <- function(ok, what) {
  if (!isTRUE(all(ok))) {
    cat("FAIL:", what, "\n")
    failures <<- failures + 1
  }
}

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

compare <- function(name, csv, method, test) {
  json <- file.path(work, "summary.json")
  rows <- file.path(work, "rows.csv")
  status <- system2(tool, c("--meta", paste0("--method=", method), paste0("--test=", test),
                            "--summary", json, "-o", rows, csv), stderr = FALSE)
  what <- paste(name, method, test)
  if (status != 0) { check(FALSE, paste(what, ": exit status", status)); return() }
  d <- read.csv(rows, check.names = FALSE)
  d <- d[d$mode == "AllResults", ]
  r <- suppressWarnings(rma(d$yi, d$vi, method = method, test = test,
                           control = list(threshold = 1e-10)))
  p <- predict(r)
  s <- summary_of(json)
  num <- function(key) as.numeric(s[[key]])
  expected <- c(estimate = r$b[1], se = r$se, statistic = r$zval, p = r$pval,
                ci_low = r$ci.lb, ci_high = r$ci.ub, tau2 = r$tau2, tau = sqrt(r$tau2),
                i2 = r$I2, h2 = r$H2, q = r$QE, q_df = r$k - 1, q_p = r$QEp,
                pi_low = p$pi.lb, pi_high = p$pi.ub)
  # REML's tau2 where the likelihood is flat (k = 2) is only as exact as its stopping rule.
  tolerance <- if (method == "REML" && r$k <= 2) 1e-6 else 1e-8
  for (key in names(expected)) {
    difference <- abs(num(key) - expected[[key]])
    if (isTRUE(difference > largest$difference)) {
      largest <<- list(difference = difference, where = paste(what, key))
    }
    scale <- if (key %in% c("i2", "q", "h2")) max(1, abs(expected[[key]])) else 1
    check(difference <= tolerance * scale,
          sprintf("%s: %s is %.17g, metafor %.17g", what, key, num(key), expected[[key]]))
  }
  check(s$method == method && s$test == test && num("k") == r$k, paste(what, ": labels"))
}

set.seed(20261206)
tables <- list(
  two = table(2, 0.3),
  ten_heterogeneous = table(10, 0.4),
  ten_homogeneous = table(10, 0, sizes = c(100, 400)),
  hundred = table(100, 0.2),
  two_thousand = table(2000, 0.25),
  one_dominant = table(20, 0.3, dominant = TRUE)
)
for (name in names(tables)) {
  csv <- file.path(work, paste0(name, ".csv"))
  write.csv(tables[[name]], csv, row.names = FALSE, quote = FALSE)
  for (method in c("REML", "DL", "FE")) {
    for (test in c("z", "knha")) {
      compare(name, csv, method, test)
    }
  }
}

# Normand (1999): metafor's group 1 (specialist care) is our experimental group.
n <- dat.normand1999
csv <- file.path(work, "normand1999.csv")
write.csv(data.frame(source = n$source, m1 = n$m2i, sd1 = n$sd2i, n1 = n$n2i, m2 = n$m1i,
                     sd2 = n$sd1i, n2 = n$n1i), csv, row.names = FALSE)
e <- escalc(measure = "SMD", m1i = m1i, sd1i = sd1i, n1i = n1i, m2i = m2i, sd2i = sd2i,
            n2i = n2i, data = n)
system2(tool, c(csv, "-o", file.path(work, "normand.out.csv")))
ours <- read.csv(file.path(work, "normand.out.csv"), check.names = FALSE)
# Below 51 df our correction factor is the exact table's four decimals, metafor's the
# approximation: g to that rounding, vi to the same.
check(abs(ours$yi - e$yi) <= 0.55e-4 * abs(ours$cohen_d) + 1e-3 * (ours$df <= 50) * abs(ours$yi),
      "Normand 1999: g")
check(abs(ours$vi - e$vi) <= 1e-3, "Normand 1999: vi")
compare("Normand 1999", csv, "REML", "z")
compare("Normand 1999", csv, "DL", "knha")

if (failures > 0) quit(status = 1)
cat("every value agrees with metafor", as.character(packageVersion("metafor")),
    sprintf("; the largest difference: %.3g (%s)\n", largest$difference, largest$where))
