# Small-study effects against metafor: Egger's and PEESE's regression tests (regtest()), Begg's
# rank test (ranktest(), exact below 50 studies), trim-and-fill (trimfill(): k0 and its side
# exactly, the filled model's estimate, se, interval, p and tau^2) and Rosenthal's fail-safe N
# (fsn(), exactly), with tight convergence passed to every refit, for every estimator and both
# tests, on generated tables of 3 to 2,000 studies (the iterative estimators up to 120):
# symmetric ones, and asymmetric ones from which small studies with null results were removed
# at random.
#   Rscript small_study.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))

# k studies of sizes 10 to 200 a group, true effects around 0.3 (tau^2 0.04); with
# `asymmetric`, studies of more than the median variance that found no significant effect
# are removed with chance 0.8, and more are drawn until k remain.
studies <- function(k, asymmetric, seed) {
  set.seed(seed)
  yi <- c(); vi <- c()
  while (length(yi) < k) {
    n <- sample(10:200, 2 * k, replace = TRUE)
    v <- 2 / n + 0.3^2 / (4 * n)
    y <- rnorm(2 * k, 0.3, sqrt(v + 0.04))
    if (asymmetric) {
      null <- y / sqrt(v) < qnorm(0.975) & v > median(v) & runif(2 * k) < 0.8
      y <- y[!null]; v <- v[!null]
    }
    yi <- c(yi, y); vi <- c(vi, v)
  }
  data.frame(study = paste0("S", seq_len(k)), es = yi[1:k], es_var = vi[1:k])
}

run <- function(d, options, name) {
  csv <- file.path(work, paste0(name, ".csv"))
  write.csv(format(d, digits = 17), csv, row.names = FALSE, quote = FALSE)
  json <- file.path(work, paste0(name, ".json"))
  status <- system2(tool, c(options, "--trim-fill", "--summary", json, "-o", "/dev/null", csv),
                    stderr = FALSE)
  if (status != 0) return(NULL)
  fromJSON(json)
}

compare <- function(d, method, test, level, name) {
  what <- sprintf("%s %s %s level %g", name, method, test, level)
  s <- run(d, c("--method", method, "--test", test, "--level", level), name)
  if (is.null(s)) { check(FALSE, paste(what, ": tavrel-batch failed")); return() }
  m <- rma(es, es_var, data = d, method = method, test = test, level = 100 * level,
           control = control)
  k <- nrow(d)
  egger <- regtest(m)
  near(c(s$egger_statistic, s$egger_p, s$egger_limit, s$egger_limit_ci_low,
         s$egger_limit_ci_high),
       c(egger$zval, egger$pval, egger$est, egger$ci.lb, egger$ci.ub), 1e-8, paste(what, "Egger"))
  if (test == "knha") check(identical(s$egger_df, k - 2L), paste(what, "Egger df"))
  if (test == "z") check(is.null(s$egger_df), paste(what, "Egger df under z"))
  peese <- regtest(m, predictor = "vi")
  near(c(s$peese_statistic, s$peese_p, s$peese_limit, s$peese_limit_ci_low,
         s$peese_limit_ci_high),
       c(peese$zval, peese$pval, peese$est, peese$ci.lb, peese$ci.ub), 1e-8, paste(what, "PEESE"))
  rank <- suppressWarnings(ranktest(m, exact = k < 50))
  near(c(s$rank_tau, s$rank_p), c(rank$tau, rank$pval), 1e-8, paste(what, "rank test"))
  filled <- trimfill(m, control = control, level = 100 * level)
  check(identical(s$trimfill_k0, as.integer(filled$k0)) && s$trimfill_side == filled$side,
        sprintf("%s trim-and-fill k0 %s %s, metafor %d %s", what, s$trimfill_k0,
                s$trimfill_side, filled$k0, filled$side))
  near(c(s$trimfill_estimate, s$trimfill_se, s$trimfill_ci_low, s$trimfill_ci_high,
         s$trimfill_p, s$trimfill_tau2),
       c(filled$beta, filled$se, filled$ci.lb, filled$ci.ub, filled$pval, filled$tau2), 1e-8,
       paste(what, "trim-and-fill"))
  check(identical(s$fail_safe_n, as.integer(fsn(es, es_var, data = d)$fsnum)),
        paste(what, "fail-safe N"))
}

tables <- 0
seed <- 1
for (k in c(3, 4, 10, 30, 49, 50, 120)) {
  for (asymmetric in c(FALSE, TRUE)) {
    d <- studies(k, asymmetric, seed)
    seed <- seed + 1
    name <- sprintf("k%d%s", k, if (asymmetric) "a" else "s")
    for (method in methods) {
      compare(d, method, "z", 0.95, name)
    }
    compare(d, "REML", "knha", 0.95, name)
    compare(d, "DL", "knha", 0.9, name)
    tables <- tables + 1
  }
}
# Large tables, by the estimators metafor fits in seconds there (its REML and the other
# iterative ones take minutes: each trim-and-fill round forms k x k matrices).
for (k in c(500, 2000)) for (asymmetric in c(FALSE, TRUE)) {
  d <- studies(k, asymmetric, seed)
  seed <- seed + 1
  name <- sprintf("k%d%s", k, if (asymmetric) "a" else "s")
  for (method in c("DL", "FE")) compare(d, method, "z", 0.95, name)
  tables <- tables + 1
}

if (failures > 0) quit(status = 1)
cat(sprintf(paste("small-study effects on %d tables agree with metafor %s (largest relative",
                  "difference %.2g)\n"),
            tables, as.character(packageVersion("metafor")), largest))
