#!/usr/bin/env Rscript
# Draws the Earth of the logo from Natural Earth's 1:50m country outlines (public domain; their
# outer edges are Natural Earth's 1:50m coastline) and writes the result into
# resources/pictures/logo.svg, between its "land" and "graticule" markers.
#
# Run once, from the repository root, whenever the globe's view or size changes:
#     Rscript resources/tools/coastlines_to_svg.R resources/pictures/logo.svg
# Needs R with the sp package and the Natural Earth data set (Debian: r-base-core, r-cran-sp,
# r-cran-rnaturalearthdata). None of these is needed to build or test the program: the
# committed SVG paths are the output.
#
# The globe is an orthographic projection, the Earth as seen from far away in space, centred
# over Africa and Europe. Coastline rings that run over the horizon are cut there and closed
# along the globe's rim, so the land fills correctly up to the edge of the disc.

suppressMessages(library(sp))

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript coastlines_to_svg.R path/to/logo.svg")
svg_file <- args[1]

# The view and where the globe sits in the logo's 160 x 140 drawing.
lon0 <- 15
lat0 <- 20
globe_cx <- 80
globe_cy <- 70
globe_r <- 54
tolerance <- 0.08   # simplification, in drawing units (1 unit = 1 pixel at design size)
min_area <- 0.12    # islands smaller than this (square units) are left out
arc_step <- 2 * pi / 360  # rim arcs are drawn in steps of at most one degree

rad <- pi / 180
sin0 <- sin(lat0 * rad)
cos0 <- cos(lat0 * rad)

# Orthographic coordinates of longitude/latitude points: x right, y up, z towards the viewer.
project <- function(lon, lat) {
    l <- (lon - lon0) * rad
    p <- lat * rad
    cbind(x = cos(p) * sin(l),
          y = cos0 * sin(p) - sin0 * cos(p) * cos(l),
          z = sin0 * sin(p) + cos0 * cos(p) * cos(l))
}

# The visible part of one ring on the unit disc: hidden stretches are replaced by the rim arc
# between the points where the coastline goes over the horizon and comes back.
clip_ring <- function(ring) {
    v <- project(ring[, 1], ring[, 2])
    if (all(v[, "z"] < 0)) return(NULL)
    out_x <- numeric(0)
    out_y <- numeric(0)
    on_rim <- logical(0)
    add <- function(x, y, rim) {
        out_x[length(out_x) + 1] <<- x
        out_y[length(out_y) + 1] <<- y
        on_rim[length(on_rim) + 1] <<- rim
    }
    n <- nrow(v)
    for (i in seq_len(n - 1)) {
        a <- v[i, ]
        b <- v[i + 1, ]
        if (a["z"] >= 0) add(a["x"], a["y"], FALSE)
        else {
            len <- sqrt(a["x"]^2 + a["y"]^2)
            add(a["x"] / len, a["y"] / len, TRUE)
        }
        if ((a["z"] >= 0) != (b["z"] >= 0)) {
            t <- a["z"] / (a["z"] - b["z"])
            cx <- a["x"] + t * (b["x"] - a["x"])
            cy <- a["y"] + t * (b["y"] - a["y"])
            len <- sqrt(cx^2 + cy^2)
            add(cx / len, cy / len, TRUE)
        }
    }
    # Between neighbouring rim points, follow the rim rather than cutting across the disc.
    m <- length(out_x)
    xs <- numeric(0)
    ys <- numeric(0)
    for (i in seq_len(m)) {
        xs <- c(xs, out_x[i])
        ys <- c(ys, out_y[i])
        j <- if (i == m) 1 else i + 1
        if (on_rim[i] && on_rim[j]) {
            t0 <- atan2(out_y[i], out_x[i])
            d <- atan2(out_y[j], out_x[j]) - t0
            d <- (d + pi) %% (2 * pi) - pi
            steps <- floor(abs(d) / arc_step)
            if (steps > 0) {
                t <- t0 + d * seq_len(steps) / (steps + 1)
                xs <- c(xs, cos(t))
                ys <- c(ys, sin(t))
            }
        }
    }
    cbind(globe_cx + globe_r * xs, globe_cy - globe_r * ys)
}

# Douglas-Peucker simplification of an open polyline; keeps the first and last point.
simplify <- function(p) {
    n <- nrow(p)
    if (n < 3) return(p)
    keep <- logical(n)
    keep[c(1, n)] <- TRUE
    stack <- list(c(1, n))
    while (length(stack) > 0) {
        s <- stack[[length(stack)]]
        stack[[length(stack)]] <- NULL
        i <- s[1]
        j <- s[2]
        if (j - i < 2) next
        idx <- (i + 1):(j - 1)
        dx <- p[j, 1] - p[i, 1]
        dy <- p[j, 2] - p[i, 2]
        len <- sqrt(dx^2 + dy^2)
        d <- if (len == 0) sqrt((p[idx, 1] - p[i, 1])^2 + (p[idx, 2] - p[i, 2])^2)
             else abs(dx * (p[i, 2] - p[idx, 2]) - dy * (p[i, 1] - p[idx, 1])) / len
        k <- which.max(d)
        if (d[k] > tolerance) {
            keep[idx[k]] <- TRUE
            stack[[length(stack) + 1]] <- c(i, idx[k])
            stack[[length(stack) + 1]] <- c(idx[k], j)
        }
    }
    p[keep, , drop = FALSE]
}

simplify_ring <- function(p) {
    # Split the ring at its first point and the point farthest from it, then simplify both halves.
    d <- (p[, 1] - p[1, 1])^2 + (p[, 2] - p[1, 2])^2
    far <- which.max(d)
    if (far < 2 || far >= nrow(p)) return(p)
    a <- simplify(p[1:far, , drop = FALSE])
    b <- simplify(rbind(p[far:nrow(p), , drop = FALSE], p[1, ]))
    rbind(a, b[-c(1, nrow(b)), , drop = FALSE])
}

area <- function(p) {
    x <- p[, 1]
    y <- p[, 2]
    abs(sum(x * c(y[-1], y[1]) - c(x[-1], x[1]) * y)) / 2
}

fmt <- function(v) {
    s <- sprintf("%.2f", v)
    s <- sub("0+$", "", s)
    s <- sub("\\.$", "", s)
    s
}

path_of <- function(p, close = TRUE) {
    pts <- paste0(fmt(p[, 1]), ",", fmt(p[, 2]))
    paste0("M", pts[1], "L", paste(pts[-1], collapse = " "), if (close) "Z" else "")
}

# The land is the union of the countries: drawn as one path, the shared borders leave no seam,
# and the Caspian Sea, which the coastline set leaves out, stays open water.
data("countries50", package = "rnaturalearthdata", envir = environment())
country_rings <- list()
for (country in countries50@polygons)
    for (part in country@Polygons) country_rings[[length(country_rings) + 1]] <- part@coords
land <- character(0)
for (ring in country_rings) {
    if (max(ring[, 2]) < -60) next  # Antarctica lies on the horizon of this view
    p <- clip_ring(ring)
    if (is.null(p) || nrow(p) < 3 || area(p) < min_area) next
    p <- simplify_ring(p)
    if (nrow(p) >= 3 && area(p) >= min_area) land <- c(land, path_of(p))
}

# Meridians every 30 degrees and parallels every 30 degrees, their visible parts only.
graticule <- character(0)
visible_runs <- function(lon, lat) {
    v <- project(lon, lat)
    vis <- v[, "z"] >= 0
    runs <- rle(vis)
    ends <- cumsum(runs$lengths)
    starts <- ends - runs$lengths + 1
    out <- character(0)
    for (k in which(runs$values)) {
        idx <- starts[k]:ends[k]
        if (length(idx) < 2) next
        p <- cbind(globe_cx + globe_r * v[idx, "x"], globe_cy - globe_r * v[idx, "y"])
        out <- c(out, path_of(simplify(p), close = FALSE))
    }
    out
}
for (lon in seq(-180, 150, by = 30))
    graticule <- c(graticule, visible_runs(rep(lon, 171), seq(-85, 85, by = 1)))
for (lat in seq(-60, 60, by = 30))
    graticule <- c(graticule, visible_runs(seq(-180, 180, by = 1), rep(lat, 361)))

replace_between <- function(text, marker, content) {
    begin <- paste0("<!-- ", marker, ": begin -->")
    end <- paste0("<!-- ", marker, ": end -->")
    b <- which(trimws(text) == begin)
    e <- which(trimws(text) == end)
    if (length(b) != 1 || length(e) != 1 || e < b) stop("markers not found: ", marker)
    c(text[1:b], content, text[e:length(text)])
}

svg <- readLines(svg_file)
svg <- replace_between(svg, "land", paste0("<path id=\"land\" d=\"", paste(land, collapse = ""), "\"/>"))
svg <- replace_between(svg, "graticule",
                       paste0("<path id=\"graticule\" d=\"", paste(graticule, collapse = ""), "\"/>"))
writeLines(svg, svg_file)
cat(sprintf("%d land rings, %d graticule lines written to %s\n", length(land), length(graticule), svg_file))
