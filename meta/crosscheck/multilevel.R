# The three-level model (--cluster) and cluster-robust inference (--robust) against metafor:
# rma.mv(yi, vi, mods, random = ~ 1 | cluster/row) by REML and ML, under z and t (knha), its
# components' profile-likelihood intervals (confint), and robust(model, cluster,
# clubSandwich = TRUE), on generated tables (a cluster of one row, components at the boundary,
# moderators, subgroups) and on metadat's dat.konstantopoulos2011, dat.assink2016 and dat.curtis1998.
# Every value to 1e-6 relative, the profile bounds to 1e-4.
#   Rscript multilevel.R PATH/TO/tavrel-batch WORK_DIR
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE)))
source(file.path(here, "common.R"))
suppressPackageStartupMessages({ library(metadat); library(clubSandwich) })
started <- Sys.time()
# metafor's optimizer held to the tightest convergence it reaches.
tight <- list(optimizer = "optim", optmethod = "BFGS", reltol = 1e-15, maxit = 10000)

# Runs the tool on `d` (columns yi, vi, cluster, maybe x) and reads its summary.
ours <- function(d, options) {
  csv <- file.path(work, "levels.csv")
  json <- file.path(work, "levels.json")
  write.csv(d, csv, row.names = FALSE)
  status <- system2(tool, c("--cluster=cluster", "--summary", json, "-o", "/dev/null", options, csv),
                    stderr = FALSE)
  if (status != 0) return(NULL)
  fromJSON(json)
}

# One table, one method and test, with the moderators given (x numeric, z a factor).
compare <- function(d, name, method, test, moderators = character(0), robust = TRUE) {
  mods <- length(moderators) > 0
  what <- sprintf("%s %s %s %s", name, method, test, paste(moderators, collapse = "+"))
  options <- c(paste0("--method=", method), paste0("--test=", test),
               if (mods) paste0("--mods=", paste(moderators, collapse = ",")),
               if (robust) "--robust")
  s <- ours(d, options)
  if (is.null(s)) { check(FALSE, paste(what, ": the tool failed")); return() }
  d$row <- seq_len(nrow(d))
  fit <- function(sigma2) {
    rma.mv(yi, vi, mods = reformulate(if (mods) moderators else "1"), random = ~ 1 | cluster / row, data = d,
           method = method, test = if (test == "knha") "t" else "z", sigma2 = sigma2,
           control = tight)
  }
  m <- fit(c(NA, NA))
  free <- m # confint profiles the components of the model that estimated both
  # metafor optimizes log sigma^2, so a component whose maximum is at 0 stops near 1e-9:
  # refitted there, where the likelihood must be at least as high.
  if (any(m$sigma2 < 1e-6)) {
    boundary <- fit(ifelse(m$sigma2 < 1e-6, 0, NA))
    check(logLik(boundary) >= logLik(m) - 1e-9, paste(what, ": the boundary is the maximum"))
    m <- boundary
  }
  i2 <- 100 * m$sigma2 / (sum(m$sigma2) + (m$k - m$p) /
                            sum(diag(diag(1 / d$vi) - diag(1 / d$vi) %*% m$X %*%
                                       solve(t(m$X) %*% diag(1 / d$vi) %*% m$X) %*%
                                       t(m$X) %*% diag(1 / d$vi))))
  near(c(s$sigma2_between, s$sigma2_within, s$i2_between, s$i2_within, s$i2, s$k_clusters),
       c(m$sigma2, i2, sum(i2), m$s.nlevels[1]), 1e-6, paste(what, ": components"))
  near(c(s[[if (mods) "qe" else "q"]], s[[if (mods) "qe_p" else "q_p"]]), c(m$QE, m$QEp), 1e-6,
       paste(what, ": Q"))
  coefficients <- if (mods) s$coefficients else s
  near(c(coefficients$estimate, coefficients$se, coefficients$statistic, coefficients$p,
         coefficients$ci_low, coefficients$ci_high),
       c(m$beta, m$se, m$zval, m$pval, m$ci.lb, m$ci.ub), 1e-6, paste(what, ": coefficients"))
  if (mods) {
    near(c(s$qm, s$qm_p), c(m$QM, m$QMp), 1e-6, paste(what, ": QM"))
  } else {
    p <- predict(m)
    near(c(s$pi_low, s$pi_high), c(p$pi.lb, p$pi.ub), 1e-6, paste(what, ": prediction"))
  }
  # The profile intervals with moderators take the same path; metafor's confint refits the
  # model at every profile point, most of this script's time, so once a table and estimator.
  for (j in if (mods) integer(0) else 1:2) {
    key <- c("sigma2_between", "sigma2_within")[j]
    ci <- confint(free, sigma2 = j, control = list(tol = 1e-10))$random[1, ]
    bounds <- c(s[[paste0(key, "_ci_low")]], s[[paste0(key, "_ci_high")]])
    found <- !is.na(bounds) # a bound beyond metafor's search is NA in ours
    near(bounds[found], ci[2:3][found], 1e-4, paste(what, ":", key, "interval"))
  }
  if (robust) {
    r <- robust(m, cluster = d$cluster, clubSandwich = TRUE)
    near(c(coefficients$robust_se, coefficients$robust_statistic, coefficients$robust_df,
           coefficients$robust_p, coefficients$robust_ci_low, coefficients$robust_ci_high),
         c(r$se, r$zval, r$ddf, r$pval, r$ci.lb, r$ci.ub), 1e-6, paste(what, ": robust"))
    if (mods) {
      near(c(s$robust_qm, s$robust_qm_df, s$robust_qm_df2, s$robust_qm_p),
           c(r$QM, r$QMdf, r$QMp), 1e-6, paste(what, ": robust HTZ test"))
    }
  }
}

# The two-level model of the earlier issues, with --cluster for --robust alone.
compareTwoLevel <- function(d, name, method) {
  s <- ours(d, c(paste0("--method=", method), "--robust"))
  what <- paste(name, method, "two-level robust")
  if (is.null(s)) { check(FALSE, paste(what, ": the tool failed")); return() }
  r <- robust(rma(yi, vi, data = d, method = method, control = control), cluster = d$cluster,
              clubSandwich = TRUE)
  near(c(s$robust_se, s$robust_statistic, s$robust_df, s$robust_p, s$robust_ci_low,
         s$robust_ci_high, s$k_clusters),
       c(r$se, r$zval, r$ddf, r$pval, r$ci.lb, r$ci.ub, r$n), 1e-6, what)
}

# --by with --cluster: each subgroup (here the odd and even clusters) against rma.mv on its rows.
compareSubgroups <- function(d, name) {
  d$g <- ifelse(as.integer(factor(d$cluster)) %% 2 == 0, "even", "odd")
  s <- ours(d, "--by=g")
  if (is.null(s)) { check(FALSE, paste(name, "subgroups: the tool failed")); return() }
  sub <- s$subgroups
  for (i in seq_len(nrow(sub))) {
    rows <- d[d$g == sub$group[i], ]
    rows$row <- seq_len(nrow(rows))
    fit <- function(sigma2) rma.mv(yi, vi, random = ~ 1 | cluster / row, data = rows,
                                   sigma2 = sigma2, control = tight)
    m <- fit(c(NA, NA))
    if (any(m$sigma2 < 1e-6)) m <- fit(ifelse(m$sigma2 < 1e-6, 0, NA))
    p <- predict(m)
    near(c(sub$estimate[i], sub$se[i], sub$sigma2_between[i], sub$sigma2_within[i],
           sub$pi_low[i], sub$pi_high[i], sub$k_clusters[i]),
         c(m$beta, m$se, m$sigma2, p$pi.lb, p$pi.ub, m$s.nlevels[1]), 1e-6,
         paste(name, "subgroup", sub$group[i]))
  }
}

# Generated: m clusters of 1 to `most` rows, with the given components and a moderator.
generated <- function(seed, m, most, between, within) {
  set.seed(seed)
  size <- sample(1:most, m, replace = TRUE)
  cluster <- rep(sprintf("c%02d", seq_len(m)), size)
  k <- length(cluster)
  x <- round(runif(k, 0, 10), 2)
  z <- sample(c("a", "b", "c"), k, replace = TRUE)
  vi <- round(runif(k, 0.01, 0.2), 4)
  u <- rnorm(m, 0, sqrt(between))[as.integer(factor(cluster))]
  yi <- round(0.3 + 0.02 * x + u + rnorm(k, 0, sqrt(within)) + rnorm(k, 0, sqrt(vi)), 4)
  data.frame(yi, vi, cluster, x, z)
}
tables <- list(
  small = generated(1, 8, 4, 0.05, 0.02),
  wide = generated(2, 40, 6, 0.1, 0.05),
  noWithin = generated(3, 20, 5, 0.08, 0),
  noBetween = generated(4, 20, 5, 0, 0.06),
  neither = generated(5, 15, 4, 0, 0))
# Each estimator once with each test, with and without the moderator: metafor's profile
# intervals refit the model many times, and take most of the time.
for (name in names(tables)) {
  compare(tables[[name]], name, "REML", "z")
  compare(tables[[name]], name, "ML", "knha")
  compare(tables[[name]], name, "REML", "knha", "x")
  compare(tables[[name]], name, "ML", "z", c("x", "z"))
  compareTwoLevel(tables[[name]], name, "DL")
}
compareSubgroups(tables$wide, "wide")
compareSubgroups(konstantopoulos <- with(dat.konstantopoulos2011,
                                         data.frame(yi, vi, cluster = district, x = year)),
                 "konstantopoulos2011")

assink <- with(dat.assink2016, data.frame(yi, vi, cluster = study, x = year))
curtis <- escalc(measure = "ROM", m1i = m1i, sd1i = sd1i, n1i = n1i, m2i = m2i, sd2i = sd2i,
                 n2i = n2i, data = dat.curtis1998)
curtis <- with(curtis, data.frame(yi = as.numeric(yi), vi, cluster = paper, x = time))
published <- list(konstantopoulos2011 = konstantopoulos, assink2016 = assink,
                  curtis1998 = curtis)
for (name in names(published)) {
  for (method in c("REML", "ML")) {
    compare(published[[name]], name, method, "z")
    compare(published[[name]], name, method, "knha", "x")
  }
  compareTwoLevel(published[[name]], name, "DL")
}

cat(sprintf("multilevel.R: %d failures, largest relative gap %.2g, %.0f s\n", failures, largest,
            as.numeric(Sys.time() - started, units = "secs")))
quit(status = if (failures > 0) 1 else 0)
