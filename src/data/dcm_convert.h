#pragma once
// Conversion between the program's data sets and DCMTK's, used only at the network edge
// and when an image is rendered. Internal to the toolkit (and its test peer).

#include "data/data_set.h"

#include <memory>
#include <string>

class DcmItem;
class DcmDataset;

namespace kestrova::dcm {

// The VR DataSet::add(Tag, Value) gives a value: SQ for sequences, OB for bytes, otherwise
// the data dictionary's VR of the tag.
std::string vrForValue(Tag tag, const Value& value);

// Every element of the item with its VR. Zero-length elements become Null (sequences
// stay sequences, possibly empty); pixel data keeps the host byte order DCMTK holds.
DataSetPtr toDataSet(DcmItem& item);

// Adds every attribute to the item; a value that cannot be coded in its VR raises 13.
void fillItem(DcmItem& item, const DataSet& dataSet);
std::unique_ptr<DcmDataset> toDcmDataset(const DataSet& dataSet);

// The item as DCMTK prints it for the DICOM log: one line per element, long values shortened,
// control and non-ASCII characters of values as octal escapes.
std::string dump(DcmItem& item);

} // namespace kestrova::dcm
