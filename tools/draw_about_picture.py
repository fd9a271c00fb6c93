#!/usr/bin/env python3
"""Draws the about window's picture: two overlapping normal curves, control and experimental,
with the standardized distance d marked between their means. Writes windows/pictures/normal-curves.svg."""
import math
from pathlib import Path

WIDTH, HEIGHT = 125, 131
SIGMA = 16.0        # px per standard deviation
D = 1.25            # distance between the means in standard deviations
BASE = 104.0        # y of the axis
PEAK = 70.0         # height of each curve's peak
CENTRE = WIDTH / 2
MEANS = (CENTRE - D * SIGMA / 2, CENTRE + D * SIGMA / 2)
DARK_RED = "#800000"


def curve(mean):
    points = []
    for i in range(0, 121):
        x = 4 + (WIDTH - 8) * i / 120
        z = (x - mean) / SIGMA
        points.append(f"{x:.2f},{BASE - PEAK * math.exp(-z * z / 2):.2f}")
    return "M" + " L".join(points)


def main():
    top = BASE - PEAK
    arrow_y = top - 8
    a, b = MEANS
    svg = f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}px" height="{HEIGHT}px" viewBox="0 0 {WIDTH} {HEIGHT}">
  <title>Two normal distributions whose means lie d standard deviations apart</title>
  <rect width="{WIDTH}" height="{HEIGHT}" fill="#fff"/>
  <path d="{curve(a)} Z" fill="#800000" fill-opacity="0.12" stroke="none"/>
  <path d="{curve(b)} Z" fill="#1f4e8c" fill-opacity="0.12" stroke="none"/>
  <path d="{curve(a)}" fill="none" stroke="{DARK_RED}" stroke-width="1.6"/>
  <path d="{curve(b)}" fill="none" stroke="#1f4e8c" stroke-width="1.6"/>
  <line x1="3" y1="{BASE}" x2="{WIDTH - 3}" y2="{BASE}" stroke="#444444" stroke-width="1"/>
  <line x1="{a:.2f}" y1="{BASE}" x2="{a:.2f}" y2="{arrow_y - 4}" stroke="{DARK_RED}" stroke-width="1" stroke-dasharray="2,2"/>
  <line x1="{b:.2f}" y1="{BASE}" x2="{b:.2f}" y2="{arrow_y - 4}" stroke="#1f4e8c" stroke-width="1" stroke-dasharray="2,2"/>
  <path d="M{a + 1:.2f},{arrow_y} L{b - 1:.2f},{arrow_y}" stroke="#222222" stroke-width="1.2"/>
  <path d="M{a + 1:.2f},{arrow_y} l4,-3 v6 Z M{b - 1:.2f},{arrow_y} l-4,-3 v6 Z" fill="#222222"/>
  <text x="{CENTRE:.2f}" y="{arrow_y - 6}" text-anchor="middle" font-family="serif" font-style="italic" font-size="16" fill="#222222">d</text>
  <text x="{a:.2f}" y="{BASE + 14}" text-anchor="middle" font-family="sans-serif" font-size="10" fill="{DARK_RED}">Control</text>
  <text x="{b:.2f}" y="{BASE + 25}" text-anchor="middle" font-family="sans-serif" font-size="10" fill="#1f4e8c">Experimental</text>
</svg>
"""
    out = Path(__file__).resolve().parent.parent / "windows" / "pictures" / "normal-curves.svg"
    out.write_text(svg)


if __name__ == "__main__":
    main()
