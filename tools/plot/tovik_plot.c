/* tovik-plot: draws the simulated generator's captures as one SVG picture.
 *
 *   tovik-plot [-o OUT.svg] [-t TITLE] CAPTURE.csv...
 *
 * Each capture (the "time_s,volts" CSV that the simulator writes on
 * InitiateGeneration when TOVIK_SIM_CAPTURE_DIR names a folder) becomes one
 * panel, stacked in the order given, with its own time and voltage axes.
 * Lines that are not two numbers (the header) are skipped. Without -o the
 * picture goes to standard output. Exit status: 0 written, 1 a capture or
 * the output could not be read or written, 2 a usage error. */
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kWidth = 900, kPanelHeight = 240, kLeft = 80, kRight = 20, kTop = 40, kBottom = 45 };

typedef struct {
  const char* path;
  double* time;
  double* volts;
  size_t count;
} Capture;

static int readCapture(Capture* capture) {
  FILE* file = fopen(capture->path, "r");
  if (!file) {
    fprintf(stderr, "tovik-plot: %s: %s\n", capture->path, strerror(errno));
    return 0;
  }
  size_t capacity = 0;
  char line[256];
  int ok = 1;
  while (ok && fgets(line, sizeof line, file)) {
    double t, v;
    char extra;
    if (sscanf(line, "%lf,%lf %c", &t, &v, &extra) != 2 || !isfinite(t) || !isfinite(v)) continue;
    if (capture->count == capacity) {
      capacity = capacity ? 2 * capacity : 1024;
      double* time = realloc(capture->time, capacity * sizeof *time);
      if (time) capture->time = time;
      double* volts = time ? realloc(capture->volts, capacity * sizeof *volts) : NULL;
      if (volts) capture->volts = volts;
      ok = time && volts;
      if (!ok) fprintf(stderr, "tovik-plot: %s: out of memory\n", capture->path);
    }
    if (ok) {
      capture->time[capture->count] = t;
      capture->volts[capture->count++] = v;
    }
  }
  if (ok && ferror(file)) {
    fprintf(stderr, "tovik-plot: %s: read error\n", capture->path);
    ok = 0;
  }
  fclose(file);
  return ok;
}

/* A step of 1, 2 or 5 times a power of ten that cuts `span` in about 5. */
static double niceStep(double span) {
  if (!(span > 0)) return 1;
  const double raw = span / 5, power = pow(10, floor(log10(raw))), f = raw / power;
  return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * power;
}

static void printEscaped(FILE* out, const char* text) {
  for (; *text; ++text) {
    switch (*text) {
      case '<': fputs("&lt;", out); break;
      case '>': fputs("&gt;", out); break;
      case '&': fputs("&amp;", out); break;
      case '"': fputs("&quot;", out); break;
      default: fputc(*text, out);
    }
  }
}

static void drawPanel(FILE* out, const Capture* capture, int top) {
  const int left = kLeft, width = kWidth - kLeft - kRight, height = kPanelHeight - kTop - kBottom;
  const char* name = strrchr(capture->path, '/');
  fprintf(out, "<text x=\"%d\" y=\"%d\" font-weight=\"bold\">", left, top - 10);
  printEscaped(out, name ? name + 1 : capture->path);
  fprintf(out, " (%zu samples)</text>\n", capture->count);
  fprintf(out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" stroke=\"#444\"/>\n",
          left, top, width, height);
  if (capture->count == 0) {
    fprintf(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">no samples</text>\n",
            left + width / 2, top + height / 2);
    return;
  }
  double t0 = capture->time[0], t1 = t0, v0 = capture->volts[0], v1 = v0;
  for (size_t i = 1; i < capture->count; ++i) {
    t0 = fmin(t0, capture->time[i]), t1 = fmax(t1, capture->time[i]);
    v0 = fmin(v0, capture->volts[i]), v1 = fmax(v1, capture->volts[i]);
  }
  if (t1 <= t0) t1 = t0 + 1;
  const double pad = v1 > v0 ? (v1 - v0) * 0.1 : fmax(fabs(v0) * 0.1, 0.5);
  v0 -= pad, v1 += pad;

  /* Time in the unit that keeps the labels short. */
  const char* unit = "s";
  double scale = 1;
  if (t1 < 1e-6) unit = "ns", scale = 1e9;
  else if (t1 < 1e-3) unit = "\xC2\xB5s", scale = 1e6;
  else if (t1 < 1) unit = "ms", scale = 1e3;

  const double tStep = niceStep((t1 - t0) * scale) / scale, vStep = niceStep(v1 - v0);
#define X(t) (left + ((t) - t0) / (t1 - t0) * width)
#define Y(v) (top + (v1 - (v)) / (v1 - v0) * height)
  /* Counted, so that a step lost in the precision of large times ends. */
  for (double k = ceil(t0 / tStep), t = k * tStep; t <= t1 + tStep * 1e-9 && k < ceil(t0 / tStep) + 12;
       ++k, t = k * tStep) {
    fprintf(out, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#ddd\"/>", X(t), top, X(t),
            top + height);
    fprintf(out, "<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%g</text>\n", X(t),
            top + height + 16, t * scale);
  }
  for (double k = ceil(v0 / vStep), v = k * vStep; v <= v1 + vStep * 1e-9 && k < ceil(v0 / vStep) + 12;
       ++k, v = k * vStep) {
    const double shown = fabs(v) < vStep * 1e-9 ? 0 : v;
    fprintf(out, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"#ddd\"/>", left, Y(v),
            left + width, Y(v));
    fprintf(out, "<text x=\"%d\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n", left - 6, Y(v) + 4, shown);
  }
  fprintf(out, "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">time (%s)</text>\n", left + width / 2,
          top + height + 36, unit);
  fprintf(out,
          "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\" transform=\"rotate(-90 %d %d)\">volts</text>\n",
          left - 50, top + height / 2, left - 50, top + height / 2);
  fputs("<polyline fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1.5\" points=\"", out);
  for (size_t i = 0; i < capture->count; ++i)
    fprintf(out, "%s%.1f,%.1f", i ? " " : "", X(capture->time[i]), Y(capture->volts[i]));
  fputs("\"/>\n", out);
#undef X
#undef Y
}

static int usage(const char* problem) {
  fprintf(stderr, "tovik-plot: %s\nusage: tovik-plot [-o OUT.svg] [-t TITLE] CAPTURE.csv...\n",
          problem);
  return 2;
}

int main(int argc, char** argv) {
  const char* output = NULL;
  const char* title = "Simulated generator output";
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-o") == 0 || strcmp(argv[i], "-t") == 0) {
      if (++i == argc) return usage("-o and -t need a value");
      *(argv[i - 1][1] == 'o' ? &output : &title) = argv[i];
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return usage("unknown option");
    } else {
      ++count;
    }
  }
  if (count == 0) return usage("no capture given");
  Capture* captures = calloc((size_t)count, sizeof *captures);
  if (!captures) return 1;
  for (int i = 1, c = 0; i < argc; ++i) {
    if (strcmp(argv[i], "-o") == 0 || strcmp(argv[i], "-t") == 0) ++i;
    else captures[c++].path = argv[i];
  }

  int ok = 1;
  for (int i = 0; i < count; ++i) ok = readCapture(&captures[i]) && ok;
  FILE* out = ok ? (output ? fopen(output, "w") : stdout) : NULL;
  if (ok && !out) {
    fprintf(stderr, "tovik-plot: %s: %s\n", output, strerror(errno));
    ok = 0;
  }
  if (ok) {
    const int height = 50 + count * kPanelHeight;
    fprintf(out,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
            "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"12\">\n"
            "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
            "<text x=\"%d\" y=\"28\" font-size=\"18\" text-anchor=\"middle\">",
            kWidth, height, kWidth, height, kWidth / 2);
    printEscaped(out, title);
    fputs("</text>\n", out);
    for (int i = 0; i < count; ++i) drawPanel(out, &captures[i], 50 + kTop + i * kPanelHeight);
    fputs("</svg>\n", out);
    if (fflush(out) != 0 || ferror(out)) {
      fprintf(stderr, "tovik-plot: %s: write error\n", output ? output : "standard output");
      ok = 0;
    }
    if (output) ok = fclose(out) == 0 && ok;
  }
  for (int i = 0; i < count; ++i) free(captures[i].time), free(captures[i].volts);
  free(captures);
  return ok ? 0 : 1;
}
