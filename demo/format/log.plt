[Plot]
Scale=1:200
Grid=Log
Tracks=3
