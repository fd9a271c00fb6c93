# metafor's time for what BM_SmallStudyEffects times (meta_bench.cpp): regtest() on the
# standard error and on the variance, ranktest(), trimfill() and fsn(), with tight convergence,
# on tables drawn as that benchmark draws them, of fewer studies: metafor forms k x k
# matrices, and 10,000 studies would take hours.
#   Rscript bench/metafor_small_study.R [K ...]   (default 250 500 1000)
suppressPackageStartupMessages(library(metafor))
sizes <- as.integer(commandArgs(trailingOnly = TRUE))
if (length(sizes) == 0) sizes <- c(250L, 500L, 1000L)
control <- list(threshold = 1e-12, tol = 1e-12, maxiter = 1000)
# Effects N(0.35, 0.6), groups of 3 to 400; half of the small studies without a significant
# effect left out.
studies <- function(k) {
  set.seed(20261206)
  n <- 4 * k
  n1 <- sample(3:400, n, replace = TRUE); n2 <- sample(3:400, n, replace = TRUE)
  yi <- rnorm(n, 0.35, 0.6)
  vi <- (n1 + n2) / (n1 * n2) + yi^2 / (2 * (n1 + n2))
  keep <- vi < 0.02 | yi / sqrt(vi) > 1.96 | seq_len(n) %% 2 == 1
  data.frame(yi = yi[keep][1:k], vi = vi[keep][1:k])
}
for (method in c("REML", "DL")) {
  for (k in sizes) {
    d <- studies(k)
    seconds <- system.time({
      m <- rma(yi, vi, data = d, method = method, control = control)
      regtest(m); regtest(m, predictor = "vi"); ranktest(m, exact = k < 50)
      trimfill(m, control = control); fsn(yi, vi, data = d)
    })[["elapsed"]]
    cat(sprintf("%-4s k = %5d: %.2f s\n", method, k, seconds))
  }
}
