#pragma once
// open_bench --long: hour-long files (mp3 CBR with an Info header, VBR with a Xing header
// and without, WMA, WMV; a 3-hour mp3) opened from the disk and from the page cache: open
// time, bytes read, the longest a command on the UI thread took while the file opened and
// its index was built, the time and CPU the full index took in the background, and the
// length's error against the ffmpeg tool's decoded count. Then the length's error for a
// set of real-world-like 5-minute files (tags, joined files, WMA v1 and v2, WMV).

namespace bench {

void openLongFiles();

}  // namespace bench
