// Video list page of the Sonvara video player. The program asks for lists by calling the
// functions below; a click on a video goes back through AppBrowserEvents.slot_videoClicked.

var requestToken = 0; // answers to superseded requests are dropped
// The longest list shown: thousands of entries would hold the page, and the program with it,
// for seconds, and ask for as many thumbnails.
var MAX_SHOWN = 200;

function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className) {
        node.className = className;
    }
    if (text !== undefined) {
        node.textContent = text;
    }
    return node;
}

function setHeading(text) {
    document.getElementById('heading').textContent = text || '';
}

function setStatus(text, isError) {
    var box = document.getElementById('status');
    box.textContent = text || '';
    box.className = text ? (isError ? 'error' : '') : 'hidden';
}

function clearList() {
    var list = document.getElementById('list');
    while (list.firstChild) {
        list.removeChild(list.firstChild);
    }
}

// A duration in seconds as m:ss (h:mm:ss from an hour); other texts are shown as they are.
function durationText(duration) {
    if (duration === undefined || duration === null) {
        return '';
    }
    var text = String(duration);
    if (!/^\d+$/.test(text)) {
        return text;
    }
    var seconds = parseInt(text, 10);
    var hours = Math.floor(seconds / 3600);
    var minutes = Math.floor(seconds % 3600 / 60);
    var rest = seconds % 60;
    var pad = function (n) { return (n < 10 ? '0' : '') + n; };
    return hours > 0 ? hours + ':' + pad(minutes) + ':' + pad(rest) : minutes + ':' + pad(rest);
}

function videoClicked(id, url) {
    var app = window.AppBrowserEvents;
    if (app && typeof app.slot_videoClicked === 'function') {
        app.slot_videoClicked(id);
    } else if (url) {
        window.location.href = url;
    }
}

function renderItem(record, index) {
    var item = element('div', 'item');
    item.setAttribute('data-id', record.id || '');
    item.title = record.title || '';
    item.appendChild(element('div', 'rank', String(index + 1)));

    var thumb = element('div', 'thumb');
    if (record.thumbnail) {
        var img = element('img');
        img.alt = '';
        img.src = record.thumbnail;
        img.onerror = function () { img.style.visibility = 'hidden'; };
        thumb.appendChild(img);
    }
    var duration = durationText(record.duration);
    if (duration) {
        thumb.appendChild(element('span', 'duration', duration));
    }
    item.appendChild(thumb);

    var info = element('div', 'info');
    info.appendChild(element('div', 'title', record.title || record.id || ''));
    var title = String(record.title || '');
    var dash = title.indexOf(' - ');
    info.appendChild(element('div', 'sub', dash > 0 ? title.substring(0, dash) : (record.id || '')));
    item.appendChild(info);

    item.addEventListener('click', function () {
        videoClicked(record.id, record.url);
    });
    return item;
}

function showRecords(records, emptyText) {
    clearList();
    if (!records || records.length === 0) {
        setStatus(emptyText, false);
        return;
    }
    var count = Math.min(records.length, MAX_SHOWN);
    setStatus(count < records.length ?
              'The first ' + count + ' of ' + records.length + ' videos are shown.' : '', false);
    var list = document.getElementById('list');
    for (var i = 0; i < count; ++i) {
        if (records[i] && records[i].id) {
            list.appendChild(renderItem(records[i], i));
        }
    }
    window.scrollTo(0, 0);
}

function fetchList(heading, path, emptyText) {
    var token = ++requestToken;
    setHeading(heading);
    clearList();
    setStatus('Loading\u2026', false);
    var request = new XMLHttpRequest();
    request.open('GET', path, true);
    request.onreadystatechange = function () {
        if (request.readyState !== 4 || token !== requestToken) {
            return;
        }
        if (request.status === 0) {
            setStatus('The list could not be loaded: the server does not answer.', true);
            return;
        }
        if (request.status !== 200) {
            setStatus('The list could not be loaded (HTTP ' + request.status + ').', true);
            return;
        }
        var answer = null;
        try {
            answer = JSON.parse(request.responseText);
        } catch (e) {
            setStatus('The list could not be read.', true);
            return;
        }
        showRecords(answer.entry || [], emptyText);
    };
    request.send(null);
}

// --- Functions the program calls -------------------------------------------------------------

// Shows the list the program put into AppBrowserEvents.json: {"entry": [records]}.
function loadVideos() {
    ++requestToken;
    setHeading('Videos');
    var app = window.AppBrowserEvents;
    var text = app ? app.json : '';
    var answer = null;
    try {
        answer = text ? JSON.parse(text) : {};
    } catch (e) {
        clearList();
        setStatus('The list could not be read.', true);
        return;
    }
    showRecords(answer.entry || [], 'There are no videos in this list.');
}

function topList(name, heading) {
    fetchList(heading, '/api/videos/top?list=' + name, 'There are no videos in this list.');
}

function mostPopularVideos() { topList('most_popular', 'Most Popular'); }
function mostViewedVideos() { topList('most_viewed', 'Most Viewed'); }
function mostRecentVideos() { topList('most_recent', 'Most Recent'); }
function topRatedVideos() { topList('top_rated', 'Top Rated'); }
function topFavVideos() { topList('top_favorites', 'Top Favorites'); }

function relatedVideos(videoId) {
    fetchList('Related videos', '/api/videos/related?v=' + encodeURIComponent(videoId),
              'No related videos were found.');
}

function searchVideos(text) {
    fetchList('Search: ' + text, '/api/videos/search?q=' + encodeURIComponent(text),
              'No videos were found for \u201c' + text + '\u201d.');
}
