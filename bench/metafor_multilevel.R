# metafor on the kind of table bench/multilevel_bench.cpp fits: 2,000 clusters of 1 to 9 rows
# (about 10,000), sigma^2 0.05 between and 0.02 within. Times rma.mv by REML with sparse
# matrices (dense ones of 10,000 rows need 800 MB each) and robust(clubSandwich = TRUE), each
# the median of `runs`; with --confint also confint of both components, which refits the model
# at every point of each profile (hours, on this table).
#   Rscript bench/metafor_multilevel.R [runs] [--confint]
suppressPackageStartupMessages({ library(metafor); library(clubSandwich) })
args <- commandArgs(trailingOnly = TRUE)
runs <- if (length(args) > 0 && args[1] != "--confint") as.integer(args[1]) else 1
set.seed(20261208)
size <- sample(1:9, 2000, replace = TRUE)
cluster <- rep(seq_along(size), size)
k <- length(cluster)
vi <- runif(k, 0.01, 0.2)
yi <- 0.3 + rnorm(2000, 0, sqrt(0.05))[cluster] + rnorm(k, 0, sqrt(0.02)) + rnorm(k, 0, sqrt(vi))
d <- data.frame(yi, vi, cluster, row = seq_len(k))
timed <- function(what, f) {
  seconds <- replicate(runs, system.time(f())[["elapsed"]])
  cat(sprintf("%-28s %8.3f s (median of %d)\n", what, median(seconds), runs))
}
cat(sprintf("%d rows in %d clusters\n", k, length(size)))
fit <- function() rma.mv(yi, vi, random = ~ 1 | cluster / row, data = d, sparse = TRUE)
m <- fit()
timed("rma.mv", fit)
timed("robust, clubSandwich", function() robust(m, cluster = d$cluster, clubSandwich = TRUE))
if ("--confint" %in% args) {
  timed("confint, both components", function() {
    confint(m, sigma2 = 1)
    confint(m, sigma2 = 2)
  })
}
