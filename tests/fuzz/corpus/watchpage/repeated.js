ytplayer.config = {"args": {"url_encoded_fmt_stream_map":"url=http://a/first?n=1\u0026itag=18,url=http://a/second?n=2\u0026itag=18,,url=\u003d"}};
