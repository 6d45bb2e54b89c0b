// Times on the page: seconds from the recording's start as a clock reads them where the recording
// has a start, as seconds where it has none. The start is a wall-clock time with no zone, so every
// clock time is worked out in UTC arithmetic and the browser's zone never enters.
"use strict";

const clockTime = (() => {
  // Steps between ticks, from a millisecond to a day, each a clock's round number.
  const steps = [0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900,
                 1800, 3600, 7200, 10800, 21600, 43200, 86400];

  const two = (value) => String(value).padStart(2, "0");

  // The start as milliseconds of UTC, or null where the recording has none.
  function startOf(recording) {
    const found = recording.start && recording.start.match(/^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)$/);
    if (!found) return null;
    const [, year, month, day, hour, minute, second] = found.map(Number);
    return Date.UTC(year, month - 1, day, hour, minute, second);
  }

  // The parts of a time given with `decimals` of a second, rounded as shown, so 59.9996 s reads as
  // the next minute rather than as 60 seconds.
  function partsOf(start, seconds, decimals) {
    const unit = 10 ** (3 - decimals);
    const milliseconds = Math.round(seconds * 1000 / unit) * unit;
    const date = new Date(start + milliseconds);
    const fraction = decimals > 0 ? "." + String(date.getUTCMilliseconds()).padStart(3, "0").slice(0, decimals) : "";
    return {
      date: `${date.getUTCFullYear()}-${two(date.getUTCMonth() + 1)}-${two(date.getUTCDate())}`,
      time: `${two(date.getUTCHours())}:${two(date.getUTCMinutes())}:${two(date.getUTCSeconds())}${fraction}`,
    };
  }

  function seconds(value, decimals) { return `${value.toFixed(decimals)} s`; }

  // "08:00:00.250", or with its date in front; seconds where there is no start.
  function format(recording, value, decimals = 3, withDate = false) {
    const start = startOf(recording);
    if (start === null) return seconds(value, decimals);
    const parts = partsOf(start, value, decimals);
    return withDate ? `${parts.date} ${parts.time}` : parts.time;
  }

  // Decimals enough to tell a stretch's ends apart from its neighbours'.
  function decimalsFor(width) {
    return width >= 30 ? 0 : width >= 3 ? 1 : width >= 0.3 ? 2 : 3;
  }

  // The stretch from..to, with the date of each end where they fall on different days and the
  // date once where they share it.
  function stretch(recording, from, to) {
    const decimals = decimalsFor(to - from);
    const start = startOf(recording);
    if (start === null) return `${seconds(from, 3)} to ${seconds(to, 3)}`;
    const first = partsOf(start, from, decimals);
    const last = partsOf(start, to, decimals);
    if (first.date === last.date) return `${first.date} ${first.time} to ${last.time}`;
    return `${first.date} ${first.time} to ${last.date} ${last.time}`;
  }

  // uPlot's x axis: ticks on the clock's round numbers where there is a start, each under its
  // date where the stretch shown crosses midnight.
  function axis(recording) {
    const start = startOf(recording);
    if (start === null) return {};
    const startOfDay = (start / 1000) % 86400;
    return {
      incrs: steps,
      // Room for "00:00:00.000" where the ticks come closer than a second.
      space: (plot, index, min, max, width) => ((max - min) / width * 70 < 1 ? 95 : 70),
      splits: (plot, index, min, max, step) => {
        const ticks = [];
        const decimals = Math.max(0, -Math.floor(Math.log10(step) + 1e-9));
        for (let tick = Math.ceil((min + startOfDay) / step - 1e-9) * step - startOfDay; tick <= max + 1e-9; tick += step) {
          ticks.push(Number(tick.toFixed(decimals)));
        }
        return ticks;
      },
      values: (plot, ticks, index, space, step) => {
        const decimals = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
        const dated = ticks.length > 0 &&
          partsOf(start, plot.scales.x.min, 0).date !== partsOf(start, plot.scales.x.max, 0).date;
        let previous = null;
        return ticks.map((tick) => {
          const parts = partsOf(start, tick, decimals);
          const label = dated && parts.date !== previous ? `${parts.time}\n${parts.date}` : parts.time;
          previous = parts.date;
          return label;
        });
      },
      size: (plot, values) => (values && values.some((value) => String(value).includes("\n")) ? 48 : 32),
    };
  }

  // What the go-to box takes: "+3600" or "+3600 s" (seconds from the start; a bare number too where
  // there is no start), "14:30" or "14:30:05.250" (its first time within the recording), or
  // "2026-01-02 00:00:10". Seconds from the start, or {error}.
  function parse(recording, text, first, last) {
    const typed = text.trim();
    const start = startOf(recording);
    const offset = typed.match(/^(\+)?\s*(\d+(?:\.\d*)?)\s*(s)?$/);
    let value;
    if (offset && (offset[1] || offset[3] || start === null)) {
      value = Number(offset[2]);
    } else {
      const clock = typed.match(/^(?:(\d{4})-(\d\d)-(\d\d)\s+)?(\d{1,2}):(\d\d)(?::(\d\d(?:\.\d{1,3})?))?$/);
      if (!clock) return { error: `"${typed}" is not a time: give 14:30, 14:30:05.250, 2026-01-02 00:00:10 or +3600 s` };
      if (start === null) return { error: "this recording has no start time: give seconds from its start, as +3600 s" };
      const [, year, month, day, hour, minute, second = "0"] = clock;
      if (Number(hour) > 23 || Number(minute) > 59 || Number(second) >= 60) return { error: `"${typed}" is not a time of day` };
      const ofDay = Number(hour) * 3600 + Number(minute) * 60 + Number(second);
      if (year) {
        value = (Date.UTC(Number(year), Number(month) - 1, Number(day)) - start) / 1000 + ofDay;
      } else {
        const startOfDay = (start / 1000) % 86400;
        value = ofDay - startOfDay;
        while (value < first - 1e-9) value += 86400;
      }
    }
    if (value < first - 1e-9 || value > last + 1e-9) {
      return { error: `${typed} is outside the recording, ${format(recording, first, 0, true)} to ${format(recording, last, 0, true)}` };
    }
    return { value };
  }

  return { format, stretch, axis, parse };
})();
