#pragma once

#include <QByteArrayView>

namespace toolkit
{

// Whether a file's bytes end before the picture they hold does, the mark of a file cut short
// (a download that stopped, a copy that failed), for the formats whose end can be told from
// their structure: a JPEG without its end-of-image marker, a GIF without its trailer or with
// its image data cut, a BMP with fewer pixel bytes than its header declares.
bool endsEarly(QByteArrayView bytes);

} // namespace toolkit
