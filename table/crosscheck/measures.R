# Every effect measure against metafor's escalc, row by row, on generated tables and on
# metadat's published ones; and the pooled results, back-transformed, against rma and
# predict(transf = ...).
#   Rscript measures.R PATH/TO/tavrel-batch WORK_FOLDER
args <- commandArgs(trailingOnly = TRUE)
suppressPackageStartupMessages({
  library(metafor)
  library(jsonlite)
})
batch <- args[1]
work <- args[2]
failures <- 0
compared <- 0
check <- function(ok, what) {
  if (!isTRUE(all(ok))) {
    cat("FAIL:", what, "in", sum(!ok, na.rm = TRUE), "rows,", sum(is.na(ok)), "not comparable\n")
    failures <<- failures + 1
  }
}
# Relative difference, absolute near 0 (a difference of 0 has no scale of its own).
close <- function(ours, theirs, tolerance = 1e-10) {
  abs(ours - theirs) <= tolerance * pmax(abs(theirs), 1e-3)
}
run <- function(table, measure, extra = character()) {
  input <- file.path(work, paste0(measure, ".csv"))
  output <- file.path(work, paste0(measure, ".out.csv"))
  write.csv(table, input, row.names = FALSE, na = "")
  status <- system2(batch, c(paste0("--measure=", measure), extra, input, "-o", output),
                    stderr = FALSE)
  if (status > 1) stop("tavrel-batch failed on ", measure)
  read.csv(output, check.names = FALSE)
}
compare_rows <- function(table, measure, e, what) {
  out <- run(table, measure)
  check(out$mode == if (measure == "SMD") "EffectSizeOnly" else "Computed",
        paste(what, "rows computed"))
  check(close(out$yi, as.numeric(e$yi)), paste(what, "yi"))
  check(close(out$vi, as.numeric(e$vi)), paste(what, "vi"))
  compared <<- compared + nrow(out)
}

set.seed(2027)
k <- 400
# Counts with zero cells and tables without events among them.
n1 <- sample(2:200, k, TRUE)
n2 <- sample(2:200, k, TRUE)
e1 <- rbinom(k, n1, runif(k, 0, 0.3))
e2 <- rbinom(k, n2, runif(k, 0, 0.3))
counts <- data.frame(study = 1:k, events1 = e1, n1 = n1, events2 = e2, n2 = n2)
for (m in c("OR", "RR", "RD")) {
  compare_rows(counts, m, escalc(m, ai = e2, n1i = n2, ci = e1, n2i = n1), paste("generated", m))
}
# Under SMD a row of counts alone gives d from the log odds ratio.
compare_rows(counts, "SMD", escalc("OR2DL", ai = e2, n1i = n2, ci = e1, n2i = n1),
             "generated OR2DL")
means <- data.frame(study = 1:k, m1 = rlnorm(k), sd1 = runif(k, 0.1, 2), n1 = n1,
                    m2 = rlnorm(k), sd2 = runif(k, 0.1, 2), n2 = n2)
for (m in c("MD", "ROM")) {
  compare_rows(means, m, escalc(m, m1i = means$m2, sd1i = means$sd2, n1i = n2,
                                m2i = means$m1, sd2i = means$sd1, n2i = n1),
               paste("generated", m))
}
r <- round(runif(k, -0.95, 0.95), 3)
ni <- sample(4:500, k, TRUE)
for (m in c("COR", "ZCOR")) {
  compare_rows(data.frame(r = r, n = ni), m, escalc(m, ri = r, ni = ni), paste("generated", m))
}
prepost <- data.frame(m_pre = rnorm(k, 10), sd_pre = runif(k, 0.5, 3), m_post = rnorm(k, 11),
                      sd_post = runif(k, 0.5, 3), n = sample(3:300, k, TRUE),
                      r_prepost = round(runif(k, -0.5, 0.95), 2))
for (m in c("MC", "SMCC", "SMCR")) {
  # escalc's group 1 is the later occasion; SMCR standardizes by sd1i, given the pre-test SD.
  e <- with(prepost, if (m == "SMCR") {
    escalc(m, m1i = m_post, m2i = m_pre, sd1i = sd_pre, ni = n, ri = r_prepost)
  } else {
    escalc(m, m1i = m_post, m2i = m_pre, sd1i = sd_post, sd2i = sd_pre, ni = n, ri = r_prepost)
  })
  compare_rows(prepost, m, e, paste("generated", m))
}

# Published tables, each pooled too: the estimate, its interval and the prediction interval,
# back-transformed, against predict(transf = ...).
pooled <- function(table, measure, e, transf, what) {
  compare_rows(table, measure, e, what)
  json <- file.path(work, paste0(measure, ".json"))
  invisible(run(table, measure, paste0("--summary=", json)))
  s <- fromJSON(json)
  # Converged as far as a double allows, as ours is.
  fit <- rma(yi, vi, data = e, control = list(threshold = 1e-12, maxiter = 1000))
  p <- predict(fit, transf = transf)
  check(close(s$estimate, as.numeric(fit$b)), paste(what, "pooled estimate"))
  check(close(s$tau2, fit$tau2, 1e-8), paste(what, "tau2"))
  check(close(c(s$ci_low, s$ci_high), c(fit$ci.lb, fit$ci.ub), 1e-8), paste(what, "interval"))
  if (!is.null(transf)) {
    check(close(c(s$estimate_transformed, s$ci_low_transformed, s$ci_high_transformed,
                  s$pi_low_transformed, s$pi_high_transformed),
                c(p$pred, p$ci.lb, p$ci.ub, p$pi.lb, p$pi.ub), 1e-8),
          paste(what, "back-transformed"))
  }
}
bcg <- dat.bcg
bcg_ours <- with(bcg, data.frame(author, year, ablat, alloc, events1 = cpos, n1 = cpos + cneg,
                                 events2 = tpos, n2 = tpos + tneg))
for (m in c("OR", "RR", "RD")) {
  pooled(bcg_ours, m, escalc(m, ai = tpos, bi = tneg, ci = cpos, di = cneg, data = bcg),
         if (m == "RD") NULL else exp, paste("dat.bcg", m))
}
# The analyses beyond pooling work on the measure's scale as on g's: a meta-regression on
# latitude and subgroups by allocation, against rma on the same yi and vi.
e <- escalc("RR", ai = tpos, bi = tneg, ci = cpos, di = cneg, data = bcg)
control <- list(threshold = 1e-12, maxiter = 1000)
json <- file.path(work, "rr-mods.json")
invisible(run(bcg_ours, "RR", c("--mods=ablat", paste0("--summary=", json))))
s <- fromJSON(json)
fit <- rma(yi, vi, mods = ~ ablat, data = e, control = control)
check(s$measure == "RR", "the regression's measure")
check(close(s$coefficients$estimate, as.numeric(fit$b), 1e-8), "dat.bcg RR regression")
check(close(s$coefficients$ci_low, fit$ci.lb, 1e-8), "dat.bcg RR regression intervals")
invisible(run(bcg_ours, "RR", c("--by=alloc", paste0("--summary=", json))))
s <- fromJSON(json)
for (i in seq_len(nrow(s$subgroups))) {
  group <- s$subgroups$group[i]
  rows <- e$alloc == group
  if (sum(rows) < 2) next
  fit <- rma(yi, vi, data = e[rows, ], control = control)
  check(close(c(s$subgroups$estimate[i], s$subgroups$estimate_transformed[i]),
              c(as.numeric(fit$b), exp(as.numeric(fit$b))), 1e-8),
        paste("dat.bcg RR subgroup", group))
}

# Leave-one-out on Fisher's z, against leave1out on the same yi and vi.
molloy_z <- dat.molloy2014[, c("authors", "year", "ni", "ri")]
loo <- file.path(work, "loo.csv")
invisible(run(molloy_z, "ZCOR", paste0("--leave-one-out=", loo)))
ours <- read.csv(loo)
theirs <- leave1out(rma(yi, vi, data = escalc("ZCOR", ri = ri, ni = ni, data = molloy_z),
                        control = control))
check(close(ours$estimate, theirs$estimate, 1e-8), "dat.molloy2014 ZCOR leave-one-out")
check(close(ours$tau2, theirs$tau2, 1e-8), "dat.molloy2014 ZCOR leave-one-out tau2")

# escalc's own columns, read with escalc's meaning.
bcg_escalc <- with(bcg, data.frame(author, ai = tpos, bi = tneg, ci = cpos, di = cneg))
compare_rows(bcg_escalc, "OR", escalc("OR", ai = tpos, bi = tneg, ci = cpos, di = cneg,
                                      data = bcg), "dat.bcg OR by ai bi ci di")
molloy <- dat.molloy2014[, c("authors", "year", "ni", "ri")]
pooled(molloy, "COR", escalc("COR", ri = ri, ni = ni, data = molloy), NULL, "dat.molloy2014 COR")
pooled(molloy, "ZCOR", escalc("ZCOR", ri = ri, ni = ni, data = molloy), transf.ztor,
       "dat.molloy2014 ZCOR")
curtis <- dat.curtis1998[, c("id", "genus", "m1i", "sd1i", "n1i", "m2i", "sd2i", "n2i")]
pooled(curtis, "ROM", escalc("ROM", m1i = m1i, sd1i = sd1i, n1i = n1i, m2i = m2i, sd2i = sd2i,
                             n2i = n2i, data = curtis), exp, "dat.curtis1998 ROM")
pooled(curtis, "MD", escalc("MD", m1i = m1i, sd1i = sd1i, n1i = n1i, m2i = m2i, sd2i = sd2i,
                            n2i = n2i, data = curtis), NULL, "dat.curtis1998 MD")
pooled(prepost[1:40, ], "SMCR",
       with(prepost[1:40, ], escalc("SMCR", m1i = m_post, m2i = m_pre, sd1i = sd_pre, ni = n,
                                    ri = r_prepost)), NULL, "a pre-post set SMCR")

cat(sprintf("%d rows of 11 measures compared with escalc, metafor %s\n", compared,
            packageVersion("metafor")))
if (failures > 0) quit(status = 1)
