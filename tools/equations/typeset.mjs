// Typesets the five equations of the information window from TeX into SVG files under
// windows/pictures. Run `npm install && node typeset.mjs` here; the build itself needs no Node.
//
// The output is made for QtSvg: sizes in px (QtSvg ignores ex units), no nested <svg>
// elements, glyph paths inline (fontCache none), and each picture scaled to fit its canvas.
import {mathjax} from 'mathjax-full/js/mathjax.js';
import {TeX} from 'mathjax-full/js/input/tex.js';
import 'mathjax-full/js/input/tex/base/BaseConfiguration.js';
import 'mathjax-full/js/input/tex/ams/AmsConfiguration.js';
import {SVG} from 'mathjax-full/js/output/svg.js';
import {liteAdaptor} from 'mathjax-full/js/adaptors/liteAdaptor.js';
import {RegisterHTMLHandler} from 'mathjax-full/js/handlers/html.js';
import {writeFileSync} from 'node:fs';
import {fileURLToPath} from 'node:url';
import {dirname, join} from 'node:path';

const outDir = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'windows', 'pictures');

// Notation of the window: C is the control group, E the experimental group.
const equations = [
    {
        file: 'pooled-sd-equation.svg', canvas: [192, 103],
        tex: String.raw`s_p = \sqrt{\frac{(n_C - 1)s_C^2 + (n_E - 1)s_E^2}{n_C + n_E - 2}}`,
    },
    {
        file: 'cohens-d-equation.svg', canvas: [131, 112],
        tex: String.raw`d = \frac{\bar{X}_E - \bar{X}_C}{s_p}`,
    },
    {
        file: 'unbiased-d-equation.svg', canvas: [234, 103],
        tex: String.raw`\begin{aligned} d_U &= c(m)\,d, \quad m = n_C + n_E - 2 \\
                        c(m) &= 1 - \frac{3}{4m - 1} \quad (m > 50) \end{aligned}`,
    },
    {
        file: 'common-language-equation.svg', canvas: [133, 106],
        tex: String.raw`\begin{aligned} z &= \frac{|\bar{X}_E - \bar{X}_C|}{\sqrt{s_C^2 + s_E^2}} \\
                        CL &= \Phi(z) \end{aligned}`,
    },
    {
        file: 'unbiased-d-sd-equation.svg', canvas: [263, 61],
        tex: String.raw`s_{d_U} = \sqrt{\frac{n_C + n_E}{n_C\,n_E} + \frac{d_U^2}{2\,(n_C + n_E)}}`,
    },
];

const marginPx = 3;  // keeps antialiased edges inside the canvas

const adaptor = liteAdaptor();
RegisterHTMLHandler(adaptor);
const doc = mathjax.document('', {
    InputJax: new TeX({packages: ['base', 'ams']}),
    OutputJax: new SVG({fontCache: 'none'}),
});

const typeset = equations.map((equation) => {
    const svg = adaptor.firstChild(doc.convert(equation.tex, {display: true}));
    const markup = adaptor.outerHTML(svg);
    if (/<svg[^>]*>[\s\S]*<svg/.test(markup)) {
        throw new Error(`${equation.file}: nested <svg> would not render in QtSvg`);
    }
    const viewBox = adaptor.getAttribute(svg, 'viewBox').split(/\s+/).map(Number);
    return {...equation, markup, viewBox};
});

// One size of type for all five, the largest (up to 16 px an em) at which each fits its
// canvas. The viewBox is in thousandths of an em.
const scale = Math.min(16 / 1000, ...typeset.map(({canvas, viewBox: [, , vw, vh]}) =>
    Math.min((canvas[0] - 2 * marginPx) / vw, (canvas[1] - 2 * marginPx) / vh)));

for (const {file, canvas, tex, markup: typesetMarkup, viewBox: [vx, vy, vw, vh]} of typeset) {
    let markup = typesetMarkup;
    const width = Math.ceil(vw * scale + 2 * marginPx);
    const height = Math.ceil(vh * scale + 2 * marginPx);
    const margin = marginPx / scale;
    const viewBox = [vx - margin, vy - margin, vw + 2 * margin, vh + 2 * margin]
                        .map((v) => +v.toFixed(2)).join(' ');
    markup = markup
        .replace(/ width="[^"]*"/, ` width="${width}px"`)
        .replace(/ height="[^"]*"/, ` height="${height}px"`)
        .replace(/ viewBox="[^"]*"/, ` viewBox="${viewBox}"`)
        .replace(/ style="[^"]*"/, '')
        .replace(/ role="img"/, '')
        .replace(/ focusable="false"/, '')
        .replace(/currentColor/g, '#000000');
    writeFileSync(join(outDir, file),
                  `<?xml version="1.0" encoding="UTF-8"?>\n<!-- ${tex.replace(/\s+/g, ' ')} -->\n${markup}\n`);
    console.log(`${file}: ${width} x ${height} px in a ${canvas[0]} x ${canvas[1]} canvas`);
}
