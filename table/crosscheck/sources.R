# Every source of an effect size against metafor's escalc(measure = "SMD"): the same studies
# given as means and SDs, SEs, intervals of the means, t, F (with a sign), p (with a sign), d,
# g and es; each row's yi and vi to 1e-10 relative. F and p go to escalc through the t they
# imply, SEs and intervals through the SDs they imply (Cochrane Handbook 6.5.2.2).
#   Rscript sources.R PATH/TO/tavrel-batch WORK_DIR
args <- commandArgs(trailingOnly = TRUE)
suppressPackageStartupMessages(library(metafor))
set.seed(17)
k <- 400
n1 <- sample(2:300, k, replace = TRUE)
n2 <- sample(2:300, k, replace = TRUE)
m1 <- rnorm(k, 100, 20)
m2 <- m1 + rnorm(k, 4, 10)
sd1 <- runif(k, 3, 30)
sd2 <- runif(k, 3, 30)
df <- n1 + n2 - 2
sp <- sqrt(((n1 - 1) * sd1^2 + (n2 - 1) * sd2^2) / df)
t <- (m2 - m1) / (sp * sqrt(1 / n1 + 1 / n2))
d <- (m2 - m1) / sp
cm <- exp(lgamma(df / 2) - lgamma((df - 1) / 2)) / sqrt(df / 2)
source <- rep(c("means", "se", "ci", "t", "f", "p", "d", "g", "es"), length.out = k)
# metafor's group 1 is the treatment: our experimental group, group 2.
smd <- function(...) escalc(measure = "SMD", n1i = n2, n2i = n1, ...)
sdFromCi <- function(half, n) sqrt(n) * 2 * half / (2 * qt(0.975, n - 1))
half1 <- qt(0.975, n1 - 1) * sd1 / sqrt(n1)
half2 <- qt(0.975, n2 - 1) * sd2 / sqrt(n2)
p <- 2 * pt(-abs(t), df)
# A p that underflows says nothing of t: such studies are given by their t.
source[source == "p" & p < 1e-300] <- "t"
expected <- list(
  means = smd(m1i = m2, sd1i = sd2, m2i = m1, sd2i = sd1),
  se = smd(m1i = m2, sd1i = (sd2 / sqrt(n2)) * sqrt(n2), m2i = m1, sd2i = (sd1 / sqrt(n1)) * sqrt(n1)),
  ci = smd(m1i = m2, sd1i = sdFromCi(half2, n2), m2i = m1, sd2i = sdFromCi(half1, n1)),
  t = smd(ti = t),
  f = smd(ti = sign(t) * sqrt(t^2)),
  p = smd(ti = sign(t) * qt(p / 2, df, lower.tail = FALSE)),
  d = smd(di = d))
g <- d * cm
gvi <- 1 / n1 + 1 / n2 + g^2 / (2 * (n1 + n2))
full <- function(x) formatC(x, digits = 17, format = "g")
blank <- rep("", k)
table <- data.frame(
  study = paste0("S", 1:k), source = source,
  m1 = ifelse(source %in% c("means", "se", "ci"), full(m1), ""),
  sd1 = ifelse(source == "means", full(sd1), ""),
  se1 = ifelse(source == "se", full(sd1 / sqrt(n1)), ""),
  ci1_low = ifelse(source == "ci", full(m1 - half1), ""),
  ci1_high = ifelse(source == "ci", full(m1 + half1), ""),
  n1 = ifelse(source == "es", "", n1),
  m2 = ifelse(source %in% c("means", "se", "ci"), full(m2), ""),
  sd2 = ifelse(source == "means", full(sd2), ""),
  se2 = ifelse(source == "se", full(sd2 / sqrt(n2)), ""),
  ci2_low = ifelse(source == "ci", full(m2 - half2), ""),
  ci2_high = ifelse(source == "ci", full(m2 + half2), ""),
  n2 = ifelse(source == "es", "", n2),
  t = ifelse(source == "t", full(t), ""),
  f = ifelse(source == "f", full(t^2), ""),
  p = ifelse(source == "p", full(p), ""),
  sign = ifelse(source %in% c("f", "p"), ifelse(t < 0, "-", "+"), ""),
  d = ifelse(source == "d", full(d), ""),
  g = ifelse(source == "g", full(g), ""),
  es = ifelse(source == "es", full(g), ""),
  es_var = ifelse(source == "es", full(gvi), ""),
  stringsAsFactors = FALSE)
input <- file.path(args[2], "sources.csv")
output <- file.path(args[2], "sources.out.csv")
write.csv(table, input, row.names = FALSE, quote = FALSE)
status <- system2(args[1], c(input, "-o", output))
if (status != 0) stop("tavrel-batch exited with ", status)
out <- read.csv(output, check.names = FALSE, colClasses = c(study = "character"))

failures <- 0
relative <- function(ours, theirs) ifelse(ours == theirs, 0, abs(ours - theirs) / pmax(abs(theirs), 1e-3))
for (s in unique(source)) {
  rows <- source == s
  want <- if (s %in% names(expected)) expected[[s]][rows, ] else data.frame(yi = g[rows], vi = gvi[rows])
  from <- unique(sub(" .*", "", out$computed_from[rows]))
  yi <- relative(out$yi[rows], want$yi)
  vi <- relative(out$vi[rows], want$vi)
  ok <- all(yi <= 1e-10) && all(vi <= 1e-10) && identical(from, if (s %in% c("se", "ci")) "means" else s)
  cat(sprintf("%-5s %3d rows: largest relative difference yi %.1e, vi %.1e, computed from %s%s\n",
              s, sum(rows), max(yi), max(vi), paste(from, collapse = "/"), if (ok) "" else "  FAIL"))
  if (!ok) failures <- failures + 1
}
cat(sprintf("every source of %d rows compared with metafor %s\n", k, packageVersion("metafor")))
if (failures > 0) quit(status = 1)
