#pragma once
// What DICOM lets a print requester ask for, checked before a request changes anything. Each
// check raises a RequestFailure with the status DIMSE and the Print Management Service Class give
// for what it refuses; the association goes on.
//
// Threads: pure functions of their arguments, for any thread.

#include "data/data_set.h"
#include "network/dicom_service.h"

namespace kestrova {

// The most copies a film session may ask for: each copy is a page of its own, and a page costs
// the printer its paper and the PDF printer a page of its file.
inline constexpr int MaxNumberOfCopies = 99;

// For an N-GET, N-SET, N-ACTION, N-CREATE or N-DELETE:
// - its SOP class is the abstract syntax of the presentation context that carried it, or one
//   of the SOP classes of that context's meta SOP class; otherwise 0x0122 (SOP class not
//   supported on that context);
// - an N-CREATE makes only what a requester creates: a film session, a film box or a
//   Presentation LUT; otherwise 0x0122 (annotation boxes are made with their film box);
// - an N-ACTION asks for the one action there is, Print (Action Type ID 1); otherwise 0x0123.
void checkRequestAllowed(const Request& request);

// Number of Copies (2000,0010) of a film session's attributes or modification, when it has a
// value: a whole number from 1 to MaxNumberOfCopies, else 0x0106.
void checkNumberOfCopies(const DataSet& attributes);

// A film box N-SET changes only the attributes a requester may set after the film box was made
// (Magnification Type, Smoothing Type, Border and Empty Image Density, Min and Max Density, Trim,
// Configuration Information, Illumination, Reflected Ambient Light, Referenced Presentation LUT
// Sequence, ICC Profile); any other attribute, Image Display Format above all, is refused with
// 0x0106 and nothing of the film box changes.
void checkFilmBoxModification(const DataSet& modification);

// Annotation Position (2030,0010) of an annotation box's modification, when it has one: one of the
// positions 1 to `positions` of its film box's Annotation Display Format ID, else 0x0106.
void checkAnnotationPosition(const DataSet& modification, std::size_t positions);

} // namespace kestrova
