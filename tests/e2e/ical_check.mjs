// Reads an iCalendar file with ical.js and prints its calendar and events as
// JSON; exits non-zero when ical.js cannot read it.
// Usage: node ical_check.mjs FILE.ics
import { readFileSync } from 'node:fs';
import ICAL from 'ical.js';

const text = readFileSync(process.argv[2], 'utf8');
const calendar = new ICAL.Component(ICAL.parse(text));
const valueText = (component, name) => {
  const value = component.getFirstPropertyValue(name);
  return value === null ? null : value.toString();
};
const events = calendar.getAllSubcomponents('vevent').map((vevent) => {
  const event = new ICAL.Event(vevent);
  return {
    uid: event.uid,
    summary: event.summary,
    description: event.description,
    dtstamp: valueText(vevent, 'dtstamp'),
    dtstart: event.startDate.toString(),
    startIsDate: event.startDate.isDate,
    dtend: event.endDate.toString(),
    endIsDate: event.endDate.isDate,
    rrule: valueText(vevent, 'rrule'),
  };
});
console.log(JSON.stringify({
  name: calendar.name,
  prodid: valueText(calendar, 'prodid'),
  version: valueText(calendar, 'version'),
  calname: valueText(calendar, 'x-wr-calname'),
  events,
}));
