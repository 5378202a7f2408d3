// Tessel stand-in: the page side of the add-on's JavaScript protocol.
//
// Calls to the add-on go through window.ardoTesselIntegrator, whose functions return
// Promises; JSON travels as text. The add-on calls back through window.ardoTesselState,
// which is defined before anything else so that no call of the add-on is lost while the
// page loads. Every text from the add-on or the data file is shown as text, never as markup.
(function () {
    'use strict';

    var SESSION_COOKIE = 'tessel_session';
    var STORAGE_KEY = 'tessel-stand-in';
    var PROPERTY_NAMES = [
        'ArdoTesselProjectId', 'ArdoTesselSpecificationId', 'ArdoTesselClauseId', 'ArdoTesselCode',
        'ArdoTesselTitle', 'ArdoTesselPrefix', 'ArdoTesselSuffix'
    ];
    var MAX_ACTIVITY = 200;

    var data = { users: [], projects: [], specifications: [] };
    var state = {
        loggedIn: false,
        app: null,
        document: null,
        selection: null,
        openedSpecificationId: null,
        types: [],
        associated: {}, // clause id -> the type object the add-on reported
        feedback: null,
        clauseRequest: null,
        stored: loadStored()
    };
    var activity = [];

    // ---- helpers ----

    function byId(id) { return document.getElementById(id); }

    function element(tag, properties, children) {
        var node = document.createElement(tag);
        Object.keys(properties || {}).forEach(function (key) {
            if (key === 'text') node.textContent = properties[key];
            else if (key === 'onclick') node.addEventListener('click', properties[key]);
            else if (key.indexOf('data-') === 0) node.setAttribute(key, properties[key]);
            else node[key] = properties[key];
        });
        (children || []).forEach(function (child) { node.appendChild(child); });
        return node;
    }

    function cell(text) { return element('td', { text: text === undefined || text === null ? '' : String(text) }); }

    function describe(value) {
        try { return JSON.stringify(value); } catch (error) { return String(value); }
    }

    function record(direction, name, args) {
        activity.unshift(direction + ' ' + name + '(' + args.map(describe).join(', ') + ')');
        if (activity.length > MAX_ACTIVITY) activity.length = MAX_ACTIVITY;
        renderActivity();
    }

    function loadStored() {
        try {
            var stored = JSON.parse(window.localStorage.getItem(STORAGE_KEY) || '{}');
            return { connections: stored.connections || {}, edits: stored.edits || {} };
        } catch (error) {
            return { connections: {}, edits: {} };
        }
    }

    function saveStored() {
        try { window.localStorage.setItem(STORAGE_KEY, JSON.stringify(state.stored)); } catch (error) { /* private mode */ }
    }

    function parseJson(text, fallback) {
        if (typeof text !== 'string' || text === '') return fallback;
        try { return JSON.parse(text); } catch (error) { return fallback; }
    }

    // ---- the add-on ----

    function integrator() {
        var object = window.ardoTesselIntegrator;
        return object !== null && typeof object === 'object' ? object : null;
    }

    // Calls a function of the add-on; resolves with its answer, or null when there is none.
    function callAddOn(name, args) {
        record('→', name, args);
        var object = integrator();
        if (object === null || typeof object[name] !== 'function') {
            record('✗', name, ['the add-on is not reachable']);
            return Promise.resolve(null);
        }
        var answer;
        try { answer = object[name].apply(object, args); } catch (error) { answer = Promise.reject(error); }
        return Promise.resolve(answer).then(function (result) {
            if (result !== undefined && result !== null) record('←', name, [result]);
            return result === undefined ? null : result;
        }, function (error) {
            record('✗', name, [String(error && error.message ? error.message : error)]);
            return null;
        });
    }

    function documentRef() { return state.document ? state.document.documentRef : ''; }

    function projectOf(specification) {
        for (var i = 0; i < data.projects.length; i++) {
            if (data.projects[i].id === specification.projectId) return data.projects[i];
        }
        return { id: specification.projectId, title: specification.projectId };
    }

    function specificationById(id) {
        for (var i = 0; i < data.specifications.length; i++) {
            if (data.specifications[i].id === id) return data.specifications[i];
        }
        return null;
    }

    function clauseWithEdits(clause) {
        var edit = state.stored.edits[clause.id] || {};
        return {
            id: clause.id,
            code: clause.code,
            title: edit.title !== undefined ? edit.title : clause.title,
            prefix: edit.prefix !== undefined ? edit.prefix : clause.prefix,
            suffix: edit.suffix !== undefined ? edit.suffix : clause.suffix
        };
    }

    function clauseProperties(specification, clause) {
        return {
            ArdoTesselProjectId: specification.projectId,
            ArdoTesselSpecificationId: specification.id,
            ArdoTesselClauseId: clause.id,
            ArdoTesselCode: clause.code,
            ArdoTesselTitle: clause.title,
            ArdoTesselPrefix: clause.prefix,
            ArdoTesselSuffix: clause.suffix
        };
    }

    function connect(specification) {
        var project = projectOf(specification);
        callAddOn('specAssociationRequested', [project.id, specification.id, project.title, specification.title, '',
            specification.classificationType]);
    }

    function disconnect(specification) {
        callAddOn('removeSpecAssociationRequested', [specification.projectId, specification.id, documentRef()]);
    }

    function open(specification) {
        var project = projectOf(specification);
        state.openedSpecificationId = specification.id;
        render();
        callAddOn('specOpened', [project.id, specification.id, project.title, specification.title]);
    }

    function associate(specification, clause) {
        var typeId = state.selection && state.selection.type ? state.selection.type.id : '';
        callAddOn('associationRequested', [typeId, specification.id, clause.id,
            JSON.stringify(clauseProperties(specification, clause))]);
    }

    function removeAssociation(specification, clause) {
        callAddOn('removeAssociationRequested', [clause.id, specification.id, clause.id,
            JSON.stringify(clauseProperties(specification, clause))]);
    }

    function saveClause(specification, clause, edited) {
        state.stored.edits[clause.id] = { title: edited.title, prefix: edited.prefix, suffix: edited.suffix };
        saveStored();
        var changed = {};
        changed[clause.id] = clauseProperties(specification, clauseWithEdits(clause));
        render();
        callAddOn('updateProperties', [documentRef(), '', JSON.stringify(changed)]);
    }

    function listTypes() {
        callAddOn('getAllTypesInDocument', [documentRef(), JSON.stringify(PROPERTY_NAMES)]).then(function (text) {
            var types = parseJson(text, null);
            state.types = Array.isArray(types) ? types : [];
            renderTypes();
        });
    }

    function askForState() {
        return callAddOn('getAllState', []).then(function (text) {
            var all = parseJson(text, null);
            if (all === null || typeof all !== 'object') return false;
            receiver.setAppState(all.appState || null);
            receiver.setDocumentState(all.documentState || null);
            receiver.setSelectionState(all.selectionState || null);
            return true;
        });
    }

    // The add-on may register its object after the page has loaded; ask until it answers.
    function startWithAddOn(triesLeft) {
        if (integrator() !== null) {
            askForState();
        } else if (triesLeft > 0) {
            window.setTimeout(function () { startWithAddOn(triesLeft - 1); }, 500);
        }
        renderBridge();
    }

    // ---- what the add-on calls: window.ardoTesselState ----

    var receiver = {
        setAppState: function (appState) {
            record('⇐', 'setAppState', [appState]);
            state.app = appState && typeof appState === 'object' ? appState : null;
            renderState();
        },
        setDocumentState: function (documentState) {
            record('⇐', 'setDocumentState', [documentState]);
            state.document = documentState && typeof documentState === 'object' ? documentState : null;
            render();
        },
        setSelectionState: function (selectionState) {
            record('⇐', 'setSelectionState', [selectionState]);
            state.selection = selectionState && typeof selectionState === 'object' ? selectionState : null;
            renderState();
        },
        associateSpec: function (specificationId, ref, documentName) {
            record('⇐', 'associateSpec', [specificationId, ref, documentName]);
            state.stored.connections[specificationId] = { documentRef: ref, documentName: documentName };
            saveStored();
            render();
        },
        removeSpecAssociation: function (specificationId, ref) {
            record('⇐', 'removeSpecAssociation', [specificationId, ref]);
            var connection = state.stored.connections[specificationId];
            if (connection && connection.documentRef === ref) {
                delete state.stored.connections[specificationId];
                saveStored();
            }
            render();
        },
        associate: function (type, clauseId) {
            record('⇐', 'associate', [type, clauseId]);
            state.associated[clauseId] = type && typeof type === 'object' ? type : {};
            renderClauses();
        },
        removeAssociation: function (first, second) {
            record('⇐', 'removeAssociation', [first, second]);
            delete state.associated[first];
            delete state.associated[second];
            renderClauses();
        },
        sendAssociationFeedback: function (success, message) {
            record('⇐', 'sendAssociationFeedback', [success, message]);
            state.feedback = { success: !!success, message: String(message) };
            renderState();
        },
        requestClauseData: function (first, second, clauseIds) {
            record('⇐', 'requestClauseData', [first, second, clauseIds]);
            state.clauseRequest = { first: first, second: second, clauseIds: Array.isArray(clauseIds) ? clauseIds : [] };
            renderState();
        }
    };
    window.ardoTesselState = receiver;

    // ---- login ----

    function storedSession() {
        var cookies = document.cookie ? document.cookie.split('; ') : [];
        for (var i = 0; i < cookies.length; i++) {
            var equals = cookies[i].indexOf('=');
            if (cookies[i].substring(0, equals) === SESSION_COOKIE) {
                try { return decodeURIComponent(cookies[i].substring(equals + 1)); } catch (error) { return null; }
            }
        }
        return null;
    }

    function signIn(event) {
        event.preventDefault();
        var email = byId('Email').value.trim();
        var password = byId('Password').value;
        // The form is there before the data file has arrived: check once it has.
        dataLoaded.then(function () {
            var user = data.users.filter(function (candidate) {
                return candidate.email === email && candidate.password === password;
            })[0];
            if (!user) {
                var error = byId('loginError');
                if (error) error.hidden = false;
                return;
            }
            document.cookie = SESSION_COOKIE + '=' + encodeURIComponent(user.email) + '; path=/; max-age=2592000; SameSite=Lax';
            enter();
        });
    }

    function enter() {
        state.loggedIn = true;
        render();
        startWithAddOn(20);
    }

    function signOut() {
        document.cookie = SESSION_COOKIE + '=; path=/; max-age=0';
        state.loggedIn = false;
        render();
    }

    // ---- rendering ----

    function renderBridge() {
        var status = byId('bridgeStatus');
        var present = integrator() !== null;
        status.textContent = present ? 'Connected to Vantrel' : 'No add-on';
        status.className = 'status ' + (present ? 'ok' : 'off');
    }

    function loginForm() {
        var form = element('form', { id: 'loginForm' }, [
            element('label', { text: 'Email ' }, [element('input', { id: 'Email', type: 'email', autocomplete: 'username' })]),
            element('label', { text: 'Password ' }, [
                element('input', { id: 'Password', type: 'password', autocomplete: 'current-password' })
            ]),
            element('button', { className: 'submit-button', type: 'submit', text: 'Sign in' }),
            element('p', { id: 'loginError', className: 'error', hidden: true, text: 'Unknown email or wrong password.' })
        ]);
        form.addEventListener('submit', signIn);
        return form;
    }

    function storedSessionBlock(session) {
        return element('div', { id: 'storedSession' }, [
            element('p', { text: 'A session is stored for ' + session + '.' }),
            element('button', { id: 'loginButton', type: 'button', text: 'Continue', onclick: enter }),
            element('button', { type: 'button', className: 'secondary', text: 'Use another account', onclick: signOut })
        ]);
    }

    function renderLogin() {
        var session = storedSession();
        var view = byId('loginView');
        view.hidden = state.loggedIn;
        byId('appView').hidden = !state.loggedIn;
        var wanted = state.loggedIn ? '' : session !== null ? 'session:' + session : 'form';
        if (view.getAttribute('data-showing') !== wanted) {
            view.textContent = '';
            view.setAttribute('data-showing', wanted);
            if (wanted !== '') {
                view.appendChild(element('h2', { text: 'Sign in' }));
                view.appendChild(session !== null ? storedSessionBlock(session) : loginForm());
            }
        }
        var userArea = byId('userArea');
        userArea.textContent = '';
        if (state.loggedIn) {
            userArea.appendChild(element('span', { text: session || '' }));
            userArea.appendChild(element('button', { type: 'button', className: 'secondary', text: 'Sign out', onclick: signOut }));
        }
    }

    function renderState() {
        var app = state.app;
        byId('appText').textContent = app ? [app.app, app.appVersion, 'add-on ' + app.pluginVersion].join(' ') : '-';
        byId('featuresText').textContent = app && Array.isArray(app.supportedFeatures) ? app.supportedFeatures.join(', ') : '-';
        byId('documentText').textContent = state.document
            ? state.document.documentName + ' (' + state.document.documentRef + ')' : 'No project open';
        var type = state.selection && state.selection.type;
        byId('selectionText').textContent = type ? type.title + (type.subtitle ? ' - ' + type.subtitle : '') + ' [' + type.id + ']'
            : 'Nothing selected';
        var feedback = byId('feedback');
        feedback.hidden = state.feedback === null;
        if (state.feedback) {
            feedback.textContent = state.feedback.message;
            feedback.className = 'feedback ' + (state.feedback.success ? 'ok' : 'error');
        }
        var request = byId('clauseRequest');
        request.hidden = state.clauseRequest === null;
        if (state.clauseRequest) {
            request.textContent = 'Clause data requested: ' + state.clauseRequest.clauseIds.join(', ');
        }
    }

    function renderSpecifications() {
        var body = byId('specifications').tBodies[0];
        body.textContent = '';
        data.specifications.forEach(function (specification) {
            var connection = state.stored.connections[specification.id];
            var here = connection && state.document && connection.documentRef === state.document.documentRef;
            var actions = element('td', {}, [
                element('button', { type: 'button', text: 'Open', 'data-action': 'open', onclick: function () { open(specification); } }),
                element('button', { type: 'button', text: 'Connect', 'data-action': 'connect', disabled: !state.document || here,
                    onclick: function () { connect(specification); } }),
                element('button', { type: 'button', text: 'Disconnect', 'data-action': 'disconnect', disabled: !connection,
                    onclick: function () { disconnect(specification); } })
            ]);
            body.appendChild(element('tr', { 'data-spec-id': specification.id, className: here ? 'connected' : '' }, [
                cell(specification.id), cell(specification.title), cell(projectOf(specification).title),
                cell(specification.classificationType), cell(connection ? connection.documentName : ''), actions
            ]));
        });
    }

    function clauseRow(specification, clause) {
        var shown = clauseWithEdits(clause);
        var associated = state.associated[clause.id];
        var row = element('tr', { 'data-clause-id': clause.id });
        function showReading() {
            row.textContent = '';
            [clause.id, shown.code, shown.prefix, shown.title, shown.suffix].forEach(function (text) { row.appendChild(cell(text)); });
            row.appendChild(cell(associated ? associated.title || associated.id || 'yes' : ''));
            row.appendChild(element('td', {}, [
                element('button', { type: 'button', text: 'Associate', 'data-action': 'associate',
                    onclick: function () { associate(specification, shown); } }),
                element('button', { type: 'button', text: 'Remove', 'data-action': 'remove',
                    onclick: function () { removeAssociation(specification, shown); } }),
                element('button', { type: 'button', text: 'Edit', 'data-action': 'edit', onclick: showEditing })
            ]));
        }
        function showEditing() {
            row.textContent = '';
            var inputs = {};
            row.appendChild(cell(clause.id));
            row.appendChild(cell(shown.code));
            ['prefix', 'title', 'suffix'].forEach(function (field) {
                inputs[field] = element('input', { value: shown[field], name: field });
                row.appendChild(element('td', {}, [inputs[field]]));
            });
            row.appendChild(cell(''));
            row.appendChild(element('td', {}, [
                element('button', { type: 'button', text: 'Save', 'data-action': 'save', onclick: function () {
                    saveClause(specification, clause,
                        { title: inputs.title.value, prefix: inputs.prefix.value, suffix: inputs.suffix.value });
                } }),
                element('button', { type: 'button', text: 'Cancel', className: 'secondary', onclick: showReading })
            ]));
        }
        showReading();
        return row;
    }

    function renderClauses() {
        var specification = specificationById(state.openedSpecificationId);
        byId('clausePanel').hidden = specification === null;
        var body = byId('clauses').tBodies[0];
        body.textContent = '';
        if (specification === null) return;
        byId('clauseHeading').textContent = 'Clauses of ' + specification.title;
        specification.clauses.forEach(function (clause) { body.appendChild(clauseRow(specification, clause)); });
    }

    function renderTypes() {
        var body = byId('types').tBodies[0];
        body.textContent = '';
        state.types.forEach(function (type) {
            if (type === null || typeof type !== 'object') return;
            var properties = type.properties && typeof type.properties === 'object' ? type.properties : {};
            body.appendChild(element('tr', { 'data-type-id': String(type.id) }, [
                cell(type.id), cell(type.title), cell(type.subtitle), cell(type.category), cell(properties.ArdoTesselCode),
                element('td', {}, [element('button', { type: 'button', text: 'Select instances', 'data-action': 'select',
                    onclick: function () { callAddOn('selectInstancesOfType', [String(type.id)]); } })])
            ]));
        });
    }

    function renderActivity() {
        var list = byId('activity');
        if (!list) return;
        list.textContent = '';
        activity.forEach(function (line) { list.appendChild(element('li', { text: line })); });
    }

    function render() {
        renderBridge();
        renderLogin();
        renderState();
        renderSpecifications();
        renderClauses();
        renderTypes();
        renderActivity();
    }

    // ---- start ----

    var dataLoaded = null;

    function start() {
        byId('refreshTypes').addEventListener('click', listTypes);
        byId('resetData').addEventListener('click', function () {
            state.stored = { connections: {}, edits: {} };
            saveStored();
            render();
        });
        render();
        dataLoaded = fetch('data.json', { cache: 'no-store' }).then(function (response) {
            if (!response.ok) throw new Error('data.json: ' + response.status);
            return response.json();
        }).then(function (loaded) {
            data = {
                users: Array.isArray(loaded.users) ? loaded.users : [],
                projects: Array.isArray(loaded.projects) ? loaded.projects : [],
                specifications: Array.isArray(loaded.specifications) ? loaded.specifications : []
            };
        }).catch(function (error) {
            record('✗', 'data.json', [String(error && error.message ? error.message : error)]);
        }).then(function () {
            document.body.setAttribute('data-ready', 'true');
            render();
        });
    }

    window.tesselStandIn = { activity: activity, state: state };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
    else start();
})();
